#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "engine/ConversionOptions.h"
#include "platform/FileSystem.h"
#include "text/StringList.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"
#include "xmlout/XmlBuilder.h"

class DialogPresenter;
class RunRecorder;

// The state and steps of one conversion run: fileset by fileset, kind by kind, record
// by record. Fields live for the run, for one fileset (reset by NextFileset) or for one
// kind (reset by NextKind and ReadDataFile).
//
// Integrated documents are always complete: the first part written creates the file
// with the full head, and when a fileset ends with its document started but not
// closed, the closing lines are appended then.
//
// One run on one thread owns a converter; it owns its writer, queues and the open
// output file, and closes the file when it goes. `presenter` may be null (every
// dialog answers -1) and otherwise must outlive the converter.
class FilesetConverter : public XmlBuilder
{
public:
    FilesetConverter(const StringList& codes, const StringList& names,
                     const StringList& selectionStrings, const ConversionOptions& options,
                     DialogPresenter* presenter);
    ~FilesetConverter() override;

    // Starts the next fileset; false when none is left. A fileset whose code cannot be
    // a folder name is started without kinds.
    bool NextFileset();
    // Starts the next kind of the current fileset; false when none is left.
    bool NextKind();
    // Number of record lines read; -1 skip this kind; -2 stop the run.
    int ReadDataFile();
    // Whether the kind needs a point-data step first: the first kind of a fileset,
    // every "MH" kind, and any other kind while the mesh points are loaded.
    bool NeedsPointStep() const;
    // Non-zero when the metadata file was read; 0 stops the run.
    int ReadMetadata();
    // Number of points in the point-data file; 0 stops the run.
    int LoadPoints();
    void ConvertNextPoint(int& counter);
    void ClosePointFile();
    // 0 the output is open; 1 skip this kind; -1 stop the run.
    int OpenOutput();
    // Writes the next record line; false when none is left or a write failed.
    bool WriteNextRecord();
    // Writes the tail when due and closes the output; false when a write failed (the
    // user has been told; the run stops).
    bool FinishKind();
    void CopyDtdFiles();
    void BuildDatasetLines();
    // Ends the current fileset: closes its integrated document when that was started
    // and not closed. Called by NextFileset and when the run ends or stops.
    void EndFileset();

    // Filesets not yet started.
    std::size_t PendingFilesets() const { return filesetCodes.size(); }
    const std::string& FilesetName() const { return filesetName; }
    const std::string& FilesetCode() const { return filesetCode; }
    const std::string& KindName() const { return kindName; }
    const std::string& KindCode() const { return kindCode; }
    const StringList& PendingKinds() const { return pendingKinds; }
    int RecordCount() const { return recordCount; }
    bool WriteFailed() const { return writeFailed; }
    const std::set<std::filesystem::path>& WrittenFiles() const { return writtenFiles; }
    // The document the current kind was written into.
    const std::filesystem::path& OutputPath() const { return outputPath; }
    // Told of every document closed, with its size; may be null. Must outlive the
    // converter, which closes a document when it goes.
    void SetRecorder(RunRecorder* runRecorder) { recorder = runRecorder; }

private:
    // Where this kind's output goes: its file name (code page 932), how the file is
    // opened, and whether it is a part of the fileset's integrated document.
    struct OutputChoice
    {
        std::string fileName;
        OutputFile::Mode mode = OutputFile::Mode::Create;
        bool integratedPart = false;
    };
    // Queues the kinds of the selected "Object" entries: single codes at the head (so
    // they run in reverse), the leading parts of a comma list and "MH" at the tail.
    void QueueKinds(const std::string& selection);
    // Chooses the file and fixes the kind's head and tail lines.
    OutputChoice ChooseOutput();
    // Asks before an existing file is overwritten; 0 go on, 1 skip, -1 stop.
    int AnswerExisting(const std::filesystem::path& path, const std::string& fileName);
    int OpenAndWriteHead(const std::filesystem::path& path, const OutputChoice& choice);
    void ReportWriteFailure(const std::filesystem::path& path);
    // Tells the recorder, if any, that `file` was closed at `bytes`.
    void NoteClosed(const std::filesystem::path& file, std::uint64_t bytes, bool complete);
    StringList FullHead() const;
    static StringList ClosingLines();
    bool OtherThanMeshPending() const;
    std::filesystem::path OutputFolder() const;

    DialogPresenter* presenter;
    int pointSteps = 0;
    int kindIndex = 0;
    std::string kindName;
    std::string kindCode;
    StringList pendingKinds;
    std::string filesetName;
    std::string filesetCode;
    std::string nextKindCode;
    std::filesystem::path skippedPath;
    std::string skippedName;  // its file name, code page 932
    std::filesystem::path approvedPath;
    bool dtdWarned = false;
    bool overwriteAll = false;
    bool skipAllMissing = false;
    int recordCount = 0;
    StringList datasetInfoLines;
    StringList metadataLines;
    StringList headLines;
    StringList tailLines;
    std::string doctypeText;
    std::string xmlDeclaration;
    std::string kindComment;
    FeatureWriter writer;
    TextLines records;
    OutputFile output;
    std::filesystem::path outputPath;
    const ConversionOptions options;
    StringList filesetCodes;
    StringList filesetNames;
    StringList selections;

    // Fileset scope: the integrated document's progress.
    bool filesetUsable = false;
    bool meshPointsLoaded = false;
    bool documentStarted = false;
    bool documentClosed = false;
    bool documentFailed = false;
    std::filesystem::path documentPath;
    // Kind scope: this kind writes the first part of the integrated document.
    bool firstPart = false;
    bool writeFailed = false;
    std::set<std::filesystem::path> writtenFiles;
    RunRecorder* recorder = nullptr;
};
