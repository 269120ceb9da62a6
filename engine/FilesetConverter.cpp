#include "engine/FilesetConverter.h"

#include "dialogs/Dialogs.h"
#include "engine/RunReport.h"
#include "text/Cp932.h"
#include "platform/FileSystem.h"
#include "text/SjisText.h"

namespace fs = std::filesystem;

namespace {

const std::string meshKind = "MH";

fs::path SettingsPathOr(const fs::path& settingsFile)
{
    return settingsFile.empty() ? SettingsFile().IniPath() : settingsFile;
}


}

FilesetConverter::FilesetConverter(const StringList& codes, const StringList& names,
                                   const StringList& selectionStrings,
                                   const ConversionOptions& runOptions,
                                   DialogPresenter* dialogPresenter)
    : presenter(dialogPresenter),
      writer(dialogPresenter, SettingsPathOr(runOptions.settingsFile)),
      options(runOptions),
      filesetCodes(codes),
      filesetNames(names),
      selections(selectionStrings)
{
    writer.ReadIniFile();
    writer.LoadConvertSettings();
    writer.SetDataFolder(options.dataFolder);
}

FilesetConverter::~FilesetConverter()
{
    if (output.IsOpen()) {
        output.Close();
    }
    EndFileset();
}

bool FilesetConverter::NextFileset()
{
    EndFileset();
    if (filesetCodes.empty() || filesetNames.empty() || selections.empty()) {
        filesetCode.clear();
        filesetName.clear();
        pendingKinds.clear();
        return false;
    }
    filesetCode = std::move(filesetCodes.front());
    filesetCodes.pop_front();
    filesetName = std::move(filesetNames.front());
    filesetNames.pop_front();
    const std::string selection = std::move(selections.front());
    selections.pop_front();
    writer.SetFilesetCode(filesetCode);
    // Nothing of an earlier fileset may reach this one's documents.
    writer.ResetForFileset();

    pendingKinds.clear();
    pointSteps = 0;
    kindIndex = 0;
    recordCount = 0;
    skippedPath.clear();
    skippedName.clear();
    approvedPath.clear();
    meshPointsLoaded = false;
    documentStarted = false;
    documentClosed = false;
    documentFailed = false;
    documentPath.clear();

    // Output goes only into the chosen folder: the code becomes one folder name.
    filesetUsable = IsSafeName(filesetCode);
    if (!filesetUsable) {
        WarningDialog(presenter).Show(MessageId::FilesetCodeUnusable, ToUtf8(filesetCode));
        return true;
    }

    QueueKinds(selection);
    if (!options.skipDtdCopy) {
        CopyDtdFiles();
    }
    return true;
}

void FilesetConverter::QueueKinds(const std::string& selection)
{
    const StringList& objectCodes = writer.ObjectCodes();
    for (std::size_t i = 0; i < selection.size() && i < objectCodes.size(); ++i) {
        const char digit = selection[i];
        if (digit < '1' || digit > '9') {
            continue;
        }
        std::string entry = objectCodes[i];
        // Leading parts of a comma list go to the tail in written order; a list that
        // starts with "," is one kind as it stands.
        for (int comma = FindByte(entry, ',', 0); comma > 0; comma = FindByte(entry, ',', 0)) {
            pendingKinds.push_back(entry.substr(0, static_cast<std::size_t>(comma)));
            entry.erase(0, static_cast<std::size_t>(comma) + 1);
        }
        if (entry == meshKind) {
            pendingKinds.push_back(entry);
        } else {
            pendingKinds.push_front(entry);
        }
    }
}

bool FilesetConverter::NextKind()
{
    kindCode.clear();
    kindName.clear();
    nextKindCode.clear();
    kindComment.clear();
    datasetInfoLines.clear();
    metadataLines.clear();
    headLines.clear();
    tailLines.clear();
    firstPart = false;
    if (pendingKinds.empty()) {
        return false;
    }
    kindCode = std::move(pendingKinds.front());
    pendingKinds.pop_front();
    kindName = writer.GetConvertAttributes(kindCode);
    nextKindCode = pendingKinds.empty() ? std::string() : pendingKinds.front();
    xmlDeclaration = FeatureWriter::BuildXmlDeclaration(options.shiftJisOutput);
    kindComment = CommentLine(kindName);
    ++kindIndex;
    return true;
}

int FilesetConverter::ReadDataFile()
{
    recordCount = 0;
    records.Clear();
    if (!IsSafeName(kindCode)) {
        WarningDialog(presenter).Show(MessageId::KindCodeUnusable, ToUtf8(kindCode));
        return -1;
    }
    const std::string fileName = filesetCode + kindCode + ".sal";
    const fs::path folder = FindInputEntry(options.dataFolder / FsName(filesetCode));
    const fs::path path = FindInputEntry(folder / FsName(fileName));
    // A file that exists but cannot be read is treated as missing.
    if (PathExists(path) && ReadTextLines(path, records) == 0) {
        recordCount = static_cast<int>(records.Size());
        return recordCount;
    }
    records.Clear();
    if (skipAllMissing) {
        return -1;
    }
    const int answer = SkipDialog(presenter).Show(MessageId::DataFileMissing, ToUtf8(fileName));
    if (answer == SkipDialog::SkipAll) {
        skipAllMissing = true;
        return -1;
    }
    return answer == SkipDialog::Quit ? -2 : -1;
}

bool FilesetConverter::NeedsPointStep() const
{
    return kindCode == meshKind || pointSteps == 0 || meshPointsLoaded;
}

int FilesetConverter::ReadMetadata()
{
    return writer.ReadMetadataFile(kindCode);
}

int FilesetConverter::LoadPoints()
{
    ++pointSteps;
    meshPointsLoaded = kindCode == meshKind;
    return writer.LoadPointData(kindCode);
}

void FilesetConverter::ConvertNextPoint(int& counter)
{
    writer.ConvertPoint(counter);
}

void FilesetConverter::ClosePointFile()
{
    writer.ClosePointData();
}

void FilesetConverter::BuildDatasetLines()
{
    if (options.integratedOutput) {
        writer.BuildMetadataLines(metadataLines, filesetName);
    } else {
        writer.BuildMetadataLines(metadataLines, filesetName, kindName);
    }
    writer.BuildDatasetInformation(datasetInfoLines, filesetCode);
    IndentLines(metadataLines, 1);
    IndentLines(datasetInfoLines, 2);
}

StringList FilesetConverter::FullHead() const
{
    StringList head;
    head.push_back(xmlDeclaration);
    head.push_back(doctypeText);
    head.push_back(
        StartTagWithAttributes("GI", Attribute("version", writer.GetMetaData("GI_VER"))));
    head.insert(head.end(), metadataLines.begin(), metadataLines.end());
    head.push_back("  <dataset>");
    head.insert(head.end(), datasetInfoLines.begin(), datasetInfoLines.end());
    head.push_back("");
    head.push_back("    " + kindComment);
    return head;
}

StringList FilesetConverter::ClosingLines()
{
    return {"  </dataset>", "</GI>"};
}

bool FilesetConverter::OtherThanMeshPending() const
{
    for (const std::string& kind : pendingKinds) {
        if (kind != meshKind) {
            return true;
        }
    }
    return false;
}

fs::path FilesetConverter::OutputFolder() const
{
    return options.xmlFolder / FsName(filesetCode);
}

int FilesetConverter::OpenOutput()
{
    // The DOCTYPE names the DTD of this fileset, read with its metadata file.
    doctypeText = writer.BuildDoctype();
    BuildDatasetLines();
    const fs::path folder = OutputFolder();
    if (!PathExists(folder)) {
        CreateFolder(folder);
    }
    const OutputChoice choice = ChooseOutput();
    const fs::path path = folder / FsName(choice.fileName);
    const int answer = AnswerExisting(path, choice.fileName);
    if (answer != 0) {
        return answer;
    }
    return OpenAndWriteHead(path, choice);
}

FilesetConverter::OutputChoice FilesetConverter::ChooseOutput()
{
    OutputChoice choice;
    choice.integratedPart = options.integratedOutput && kindCode != meshKind;
    firstPart = choice.integratedPart && !documentStarted;
    if (!choice.integratedPart) {
        choice.fileName = filesetCode + kindCode + ".xml";
        headLines = FullHead();
        tailLines = ClosingLines();
        return choice;
    }
    choice.fileName = filesetCode + ".xml";
    if (firstPart) {
        headLines = FullHead();
    } else {
        choice.mode = OutputFile::Mode::Append;
        headLines = {"", "    " + kindComment};
    }
    if (!OtherThanMeshPending()) {
        tailLines = ClosingLines();
    }
    return choice;
}

int FilesetConverter::AnswerExisting(const fs::path& path, const std::string& fileName)
{
    if (!PathExists(path) || overwriteAll || SamePath(path, approvedPath) ||
        SamePath(path, skippedPath)) {
        // A file the user chose to skip is never touched by a later part.
        // All output of a fileset goes to one folder, so the names tell the paths apart.
        if (!skippedPath.empty() && EqualsIgnoreCase(fileName, skippedName)) {
            return 1;
        }
        if (firstPart) {
            approvedPath = path;
        }
        return 0;
    }
    switch (OverwriteDialog(presenter).Show(MessageId::XmlFileExists, ToUtf8(fileName))) {
    case OverwriteDialog::OverwriteAll:
        overwriteAll = true;
        return 0;
    case OverwriteDialog::Overwrite:
        approvedPath = path;
        return 0;
    case OverwriteDialog::Skip:
        skippedPath = path;
        skippedName = fileName;
        return 1;
    default:
        return -1;
    }
}

int FilesetConverter::OpenAndWriteHead(const fs::path& path, const OutputChoice& choice)
{
    if (!output.Open(path, choice.mode)) {
        if (documentStarted && choice.integratedPart) {
            documentFailed = true;
        }
        FailureDialog(presenter).Show(MessageId::XmlFileNotOpened, PathText(path));
        return 1;
    }
    outputPath = path;
    writtenFiles.insert(path);
    if (firstPart) {
        documentStarted = true;
        documentPath = path;
    }
    if (firstPart || recordCount > 0) {
        WriteLines(headLines, output, 0, 0, 0, options.shiftJisOutput);
    }
    if (output.Failed()) {
        output.Close();
        NoteClosed(path, output.Size(), false);
        ReportWriteFailure(path);
        return -1;
    }
    return 0;
}

bool FilesetConverter::WriteNextRecord()
{
    if (records.Empty() || writeFailed) {
        records.Clear();
        return false;
    }
    writer.WriteRecord(records.Front(), output, options.shiftJisOutput);
    records.PopFront();
    if (output.Failed()) {
        records.Clear();
        ReportWriteFailure(outputPath);
        return false;
    }
    return true;
}

bool FilesetConverter::FinishKind()
{
    if (!writeFailed && recordCount != 0) {
        WriteLines(tailLines, output, 0, 1, 0, options.shiftJisOutput);
        if (!tailLines.empty() && outputPath == documentPath) {
            documentClosed = true;
        }
    }
    const bool closed = output.Close();
    NoteClosed(outputPath, output.Size(), closed && !writeFailed);
    if (!closed && !writeFailed) {
        ReportWriteFailure(outputPath);
    }
    return !writeFailed;
}

void FilesetConverter::ReportWriteFailure(const fs::path& path)
{
    writeFailed = true;
    if (path == documentPath) {
        documentFailed = true;
    }
    FailureDialog(presenter).Show(MessageId::XmlFileNotWritten, PathText(path.filename()));
}

void FilesetConverter::EndFileset()
{
    if (!options.integratedOutput || !documentStarted || documentClosed || documentFailed) {
        documentStarted = false;
        return;
    }
    documentStarted = false;
    OutputFile closing;
    if (!closing.Open(documentPath, OutputFile::Mode::Append)) {
        return;
    }
    WriteLines(ClosingLines(), closing, 0, 1, 0, options.shiftJisOutput);
    documentClosed = true;
    const bool closed = closing.Close();
    NoteClosed(documentPath, closing.Size(), closed);
    if (!closed && !writeFailed) {
        ReportWriteFailure(documentPath);
    }
}

void FilesetConverter::NoteClosed(const fs::path& file, std::uint64_t bytes, bool complete)
{
    if (recorder != nullptr) {
        recorder->DocumentClosed(file, bytes, complete);
    }
}

void FilesetConverter::CopyDtdFiles()
{
    const fs::path folder = OutputFolder();
    if (!PathExists(folder)) {
        CreateFolder(folder);
    }
    const std::vector<fs::path> dtdFiles = ListFilesWithSuffix(options.dtdFolder, ".dtd");
    if (dtdFiles.empty()) {
        if (!dtdWarned) {
            WarningDialog(presenter).Show(MessageId::DtdFileMissing);
            dtdWarned = true;
        }
        return;
    }
    for (const fs::path& source : dtdFiles) {
        const fs::path target = folder / source.filename();
        // Copy failures are not reported; the documents are written all the same.
        if (options.shiftJisOutput) {
            CopyFileOverwrite(source, target);
            continue;
        }
        StringList lines;
        if (ReadTextLines(source, lines) != 0) {
            continue;
        }
        // Only a text declaration gives way to the UTF-8 one; no DTD content is lost.
        if (!lines.empty() && lines.front().rfind("<?xml", 0) == 0) {
            lines.pop_front();
        }
        lines.push_front(FeatureWriter::BuildXmlDeclaration(false));
        OutputFile copy;
        if (copy.Open(target, OutputFile::Mode::Create)) {
            WriteLines(lines, copy, 0, 0, 0, false);
            copy.Close();
        }
    }
}
