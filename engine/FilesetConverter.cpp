#include "engine/FilesetConverter.h"

#include <algorithm>

#include "dialogs/Dialogs.h"
#include "engine/DocumentHead.h"
#include "engine/DtdCopy.h"
#include "engine/RunReport.h"
#include "platform/FileSystem.h"
#include "text/Cp932.h"
#include "text/SjisText.h"

namespace fs = std::filesystem;

namespace {

fs::path SettingsPathOr(const fs::path& settingsFile)
{
    return settingsFile.empty() ? SettingsFile::DefaultPath() : settingsFile;
}

// The message that tells the user why a point-data step failed.
MessageId PointDataFailure(PointDataOutcome outcome)
{
    return outcome == PointDataOutcome::FileMissing ? MessageId::PointFileMissing
                                                    : MessageId::PointsMissing;
}

}

FilesetConverter::FilesetConverter(std::vector<FilesetToConvert> toConvert,
                                   const ConversionOptions& runOptions,
                                   DialogPresenter* dialogPresenter)
    : presenter(dialogPresenter),
      options(runOptions),
      filesets(std::move(toConvert)),
      writer(SettingsPathOr(runOptions.settingsFile))
{
    // A settings file that cannot be read leaves every table empty, and so no kind is
    // chosen: the front ends refuse such a file before a run (ordevik-batch) or offer
    // no kinds (the wizard), so the result is deliberately left alone here.
    static_cast<void>(writer.ReadIniFile());
    writer.LoadConvertSettings();
    writer.SetDataFolder(options.dataFolder);
    if (options.composeThreads > 1) {
        composers = std::make_unique<ParallelRecords>(options.composeThreads,
                                                      options.composeRunBytes);
    }
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
    fileset = {};
    kind = {};
    if (nextFileset == filesets.size()) {
        return false;
    }
    FilesetToConvert& next = filesets[nextFileset++];
    fileset.code = std::move(next.code);
    fileset.name = std::move(next.name);
    writer.SetFilesetCode(fileset.code);
    // Nothing of an earlier fileset may reach this one's documents.
    writer.ResetForFileset();

    // Output goes only into the chosen folder: the code becomes one folder name.
    if (!IsSafeName(fileset.code)) {
        WarningDialog(presenter).Show(MessageId::FilesetCodeUnusable, ToUtf8(fileset.code));
        return true;
    }
    QueueKinds(next.selection);
    if (!options.skipDtdCopy) {
        CopyDtdFiles();
    }
    return true;
}

void FilesetConverter::QueueKinds(const FeatureSelection& selection)
{
    const StringList& objectCodes = writer.ObjectCodes();
    for (std::size_t i = 0; i < selection.size() && i < objectCodes.size(); ++i) {
        if (!IsChosen(selection[i])) {
            continue;
        }
        std::string entry = objectCodes[i];
        // Leading parts of a comma list go to the tail in written order; a list that
        // starts with "," is one kind as it stands.
        for (int comma = FindByte(entry, ',', 0); comma > 0; comma = FindByte(entry, ',', 0)) {
            fileset.pendingKinds.push_back(entry.substr(0, static_cast<std::size_t>(comma)));
            entry.erase(0, static_cast<std::size_t>(comma) + 1);
        }
        if (entry == meshKind) {
            fileset.pendingKinds.push_back(entry);
        } else {
            fileset.pendingKinds.push_front(entry);
        }
    }
}

void FilesetConverter::CopyDtdFiles()
{
    const fs::path folder = OutputFolder();
    if (!PathExists(folder)) {
        CreateFolder(folder);
    }
    if (CopyDtdFilesTo(folder, options.dtdFolder, options.shiftJisOutput) ==
            DtdCopyOutcome::NoDtdFiles &&
        !run.dtdWarned) {
        WarningDialog(presenter).Show(MessageId::DtdFileMissing);
        run.dtdWarned = true;
    }
}

bool FilesetConverter::NextKind()
{
    kind = {};
    if (fileset.pendingKinds.empty()) {
        return false;
    }
    kind.code = std::move(fileset.pendingKinds.front());
    fileset.pendingKinds.pop_front();
    kind.name = writer.GetConvertAttributes(kind.code);
    return true;
}

KindStep FilesetConverter::ReadDataFile()
{
    kind.recordCount = 0;
    records->Clear();
    if (!IsSafeName(kind.code)) {
        WarningDialog(presenter).Show(MessageId::KindCodeUnusable, ToUtf8(kind.code));
        return KindStep::SkipKind;
    }
    const std::string fileName = fileset.code + kind.code + ".sal";
    const fs::path path = writer.FilesetInput(fileName);
    // A file that exists but cannot be read is treated as missing.
    if (TakeReadAhead(path) || (PathExists(path) && ReadTextLines(path, *records) == 0)) {
        kind.recordCount = static_cast<int>(records->Size());
        // The next kind's file is read while this one's points and records are done.
        StartReadAhead();
        return KindStep::GoOn;
    }
    records->Clear();
    if (run.skipAllMissing) {
        return KindStep::SkipKind;
    }
    switch (SkipDialog(presenter).Ask(MessageId::DataFileMissing, ToUtf8(fileName))) {
    case SkipDialog::Answer::SkipAll:
        run.skipAllMissing = true;
        return KindStep::SkipKind;
    case SkipDialog::Answer::Skip:
        return KindStep::SkipKind;
    case SkipDialog::Answer::Quit:
        break;
    }
    return KindStep::StopRun;
}

bool FilesetConverter::NeedsPointStep() const
{
    return kind.code == meshKind || fileset.pointSteps == 0 || fileset.meshPointsLoaded;
}

bool FilesetConverter::ReadMetadata()
{
    switch (writer.ReadMetadataFile()) {
    case MetadataOutcome::Read:
        return true;
    case MetadataOutcome::FileMissing:
        FailureDialog(presenter).Show(MessageId::MetadataFileMissing);
        return false;
    case MetadataOutcome::NoMetadata:
        break;
    }
    FailureDialog(presenter).Show(MessageId::MetadataMissing);
    return false;
}

std::optional<int> FilesetConverter::LoadPoints()
{
    ++fileset.pointSteps;
    fileset.meshPointsLoaded = kind.code == meshKind;
    const PointDataLoad load = writer.LoadPointData(kind.code);
    if (load.outcome != PointDataOutcome::Loaded) {
        FailureDialog(presenter).Show(PointDataFailure(load.outcome));
        return std::nullopt;
    }
    return load.points;
}

void FilesetConverter::ConvertNextPoint(int& counter)
{
    writer.ConvertPoint(counter);
}

void FilesetConverter::ConvertRestSideBySide(int points, int& counter,
                                             const ParallelRecords::Progress& progress)
{
    if (composers != nullptr &&
        composers->Spreads(static_cast<std::size_t>(points) * FilesetReader::plainPointLine) &&
        composers->ConvertPoints(writer, progress)) {
        counter = points;
    }
}

void FilesetConverter::ClosePointFile()
{
    writer.ClosePointData();
}

bool FilesetConverter::OtherThanMeshPending() const
{
    for (const std::string& pending : fileset.pendingKinds) {
        if (pending != meshKind) {
            return true;
        }
    }
    return false;
}

fs::path FilesetConverter::OutputFolder() const
{
    return options.xmlFolder / FsName(fileset.code);
}

KindStep FilesetConverter::OpenOutput()
{
    const fs::path folder = OutputFolder();
    if (!PathExists(folder)) {
        CreateFolder(folder);
    }
    const OutputChoice choice = ChooseOutput();
    const fs::path path = folder / FsName(choice.fileName);
    const KindStep answer = AnswerExisting(path, choice.fileName);
    if (answer != KindStep::GoOn) {
        return answer;
    }
    return OpenAndWriteHead(path, choice);
}

StringList FilesetConverter::FullHead()
{
    const std::string title = options.integratedOutput
                                  ? writer.DocumentTitle(fileset.name)
                                  : writer.DocumentTitle(fileset.name, kind.name);
    return DocumentHead(writer, title, fileset.code, kind.name, options.shiftJisOutput);
}

FilesetConverter::OutputChoice FilesetConverter::ChooseOutput()
{
    OutputChoice choice;
    choice.integratedPart = options.integratedOutput && kind.code != meshKind;
    kind.firstPart = choice.integratedPart && !fileset.documentStarted;
    if (!choice.integratedPart) {
        choice.fileName = fileset.code + kind.code + ".xml";
        kind.headLines = FullHead();
        kind.tailLines = DocumentClosingLines();
        return choice;
    }
    choice.fileName = fileset.code + ".xml";
    if (kind.firstPart) {
        kind.headLines = FullHead();
    } else {
        choice.mode = OutputFile::Mode::Append;
        kind.headLines = PartHead(kind.name);
    }
    if (!OtherThanMeshPending()) {
        kind.tailLines = DocumentClosingLines();
    }
    return choice;
}

KindStep FilesetConverter::AnswerExisting(const fs::path& path, const std::string& fileName)
{
    if (!PathExists(path) || run.overwriteAll || SamePath(path, fileset.approvedPath) ||
        SamePath(path, fileset.skippedPath)) {
        // A file the user chose to skip is never touched by a later part.
        // All output of a fileset goes to one folder, so the names tell the paths apart.
        if (!fileset.skippedPath.empty() && EqualsIgnoreCase(fileName, fileset.skippedName)) {
            return KindStep::SkipKind;
        }
        if (kind.firstPart) {
            fileset.approvedPath = path;
        }
        return KindStep::GoOn;
    }
    switch (OverwriteDialog(presenter).Ask(MessageId::XmlFileExists, ToUtf8(fileName))) {
    case OverwriteDialog::Answer::OverwriteAll:
        run.overwriteAll = true;
        return KindStep::GoOn;
    case OverwriteDialog::Answer::Overwrite:
        fileset.approvedPath = path;
        return KindStep::GoOn;
    case OverwriteDialog::Answer::Skip:
        fileset.skippedPath = path;
        fileset.skippedName = fileName;
        return KindStep::SkipKind;
    case OverwriteDialog::Answer::Quit:
        break;
    }
    return KindStep::StopRun;
}

KindStep FilesetConverter::OpenAndWriteHead(const fs::path& path, const OutputChoice& choice)
{
    if (!output.Open(path, choice.mode)) {
        if (fileset.documentStarted && choice.integratedPart) {
            fileset.documentFailed = true;
        }
        FailureDialog(presenter).Show(MessageId::XmlFileNotOpened, PathText(path));
        return KindStep::SkipKind;
    }
    kind.outputPath = path;
    run.writtenFiles.insert(path);
    if (kind.firstPart) {
        fileset.documentStarted = true;
        fileset.documentPath = path;
    }
    if (kind.firstPart || kind.recordCount > 0) {
        WriteLines(kind.headLines, output, 0, 0, 0, options.shiftJisOutput);
    }
    if (output.Failed()) {
        output.Close();
        NoteClosed(path, output.Size(), false);
        ReportWriteFailure(path);
        return KindStep::StopRun;
    }
    return KindStep::GoOn;
}

RecordStep FilesetConverter::WriteNextRecord()
{
    if (records->Empty() || run.writeFailed) {
        records->Clear();
        return RecordStep::NoneLeft;
    }
    writer.WriteRecord(records->Front(), output, options.shiftJisOutput);
    records->PopFront();
    if (output.Failed()) {
        records->Clear();
        ReportWriteFailure(kind.outputPath);
        return RecordStep::WriteFailed;
    }
    return RecordStep::Written;
}

void FilesetConverter::StartReadAhead()
{
    if (composers == nullptr) {
        return;
    }
    // The next kinds' files that are read ahead; an entry holding none of them is freed.
    // The next one always is. One further on is when the kinds before it are small
    // together, or together with this kind's lines no bigger than it: its reading is
    // then done while they are written, and what is held stays within twice its size.
    std::array<fs::path, readAheadKinds> wanted;
    std::size_t before = 0;
    for (std::size_t i = 0; i < wanted.size() && i < fileset.pendingKinds.size(); ++i) {
        const std::string& code = fileset.pendingKinds[i];
        if (!IsSafeName(code)) {
            break;
        }
        auto known = fileset.dataFiles.find(code);
        if (known == fileset.dataFiles.end()) {
            const fs::path found = writer.FilesetInput(fileset.code + code + ".sal");
            known =
                fileset.dataFiles.emplace(code, std::pair(found, ReportedFileSize(found))).first;
        }
        const auto& [path, bytes] = known->second;
        if (i == 0 || before <= smallReadAhead ||
            records->Remaining().Bytes() + before <= bytes) {
            wanted[i] = path;
        }
        before += static_cast<std::size_t>(bytes);
    }
    const auto isWanted = [&wanted](const fs::path& path) {
        return std::find(wanted.begin(), wanted.end(), path) != wanted.end();
    };
    for (ReadAhead& entry : ahead) {
        if (!entry.path.empty() && !isWanted(entry.path)) {
            WaitForRead(entry);
            entry.path.clear();
            entry.read = false;
        }
    }
    // In the kinds' order, so that the next file is read first.
    for (const fs::path& path : wanted) {
        if (!path.empty() && Held(path) == nullptr) {
            ReadAheadInto(*Held(fs::path()), path);
        }
    }
}

void FilesetConverter::ReadAheadInto(ReadAhead& entry, const fs::path& path)
{
    entry.path = path;
    entry.read = false;
    entry.done.Store(0);
    try {
        aheadReader.Start([&entry, path] {
            entry.lines->Clear();
            // Whatever goes wrong here is met again when the file is read in its turn.
            try {
                entry.read = ReadTextLines(path, *entry.lines) == 0;
            } catch (...) {
                entry.read = false;
            }
            entry.done.Store(1);
        });
    } catch (...) {
        // No thread to be had: the file is read in its turn instead.
        entry.path.clear();
        entry.done.Store(1);
    }
}

void FilesetConverter::WaitForRead(ReadAhead& entry)
{
    entry.done.WaitFor(1);
}

FilesetConverter::ReadAhead* FilesetConverter::Held(const fs::path& path)
{
    for (ReadAhead& entry : ahead) {
        if (entry.path == path) {
            return &entry;
        }
    }
    return nullptr;
}

bool FilesetConverter::TakeReadAhead(const fs::path& path)
{
    ReadAhead* entry = path.empty() ? nullptr : Held(path);
    if (entry == nullptr) {
        return false;
    }
    // Only this file's reading is waited for, not the ones after it.
    WaitForRead(*entry);
    entry->path.clear();
    if (!entry->read) {
        return false;
    }
    std::swap(records, entry->lines);
    entry->read = false;
    return true;
}

bool FilesetConverter::SpreadsRecords() const
{
    return composers != nullptr && !run.writeFailed &&
           composers->Spreads(records->Remaining().Bytes());
}

std::size_t FilesetConverter::WriteSpreadRecords(const ParallelRecords::Progress& progress)
{
    const std::size_t written = composers->WriteAll(writer, records->Remaining(), output,
                                                    options.shiftJisOutput, progress);
    records->Clear();
    if (output.Failed()) {
        ReportWriteFailure(kind.outputPath);
    }
    return written;
}

bool FilesetConverter::FinishKind()
{
    if (!run.writeFailed && kind.recordCount != 0) {
        WriteLines(kind.tailLines, output, 0, 1, 0, options.shiftJisOutput);
        if (!kind.tailLines.empty() && kind.outputPath == fileset.documentPath) {
            fileset.documentClosed = true;
        }
    }
    const bool closed = output.Close();
    NoteClosed(kind.outputPath, output.Size(), closed && !run.writeFailed);
    if (!closed && !run.writeFailed) {
        ReportWriteFailure(kind.outputPath);
    }
    return !run.writeFailed;
}

void FilesetConverter::ReportWriteFailure(const fs::path& path)
{
    run.writeFailed = true;
    if (path == fileset.documentPath) {
        fileset.documentFailed = true;
    }
    FailureDialog(presenter).Show(MessageId::XmlFileNotWritten, PathText(path.filename()));
}

void FilesetConverter::EndFileset()
{
    if (!options.integratedOutput || !fileset.documentStarted || fileset.documentClosed ||
        fileset.documentFailed) {
        fileset.documentStarted = false;
        return;
    }
    fileset.documentStarted = false;
    OutputFile closing;
    if (!closing.Open(fileset.documentPath, OutputFile::Mode::Append)) {
        return;
    }
    WriteLines(DocumentClosingLines(), closing, 0, 1, 0, options.shiftJisOutput);
    fileset.documentClosed = true;
    const bool closed = closing.Close();
    NoteClosed(fileset.documentPath, closing.Size(), closed);
    if (!closed && !run.writeFailed) {
        ReportWriteFailure(fileset.documentPath);
    }
}

void FilesetConverter::NoteClosed(const fs::path& file, std::uint64_t bytes, bool complete)
{
    if (recorder != nullptr) {
        recorder->DocumentClosed(file, bytes, complete);
    }
}
