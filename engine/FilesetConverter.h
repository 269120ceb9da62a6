#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/ConversionOptions.h"
#include "engine/ParallelRecords.h"
#include "platform/Background.h"
#include "platform/FileSystem.h"
#include "text/StringList.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"
#include "xmlout/XmlBuilder.h"

class DialogPresenter;
class RunRecorder;

// One fileset of a run: its code and name (code page 932) and its chosen kinds.
struct FilesetToConvert
{
    std::string code;
    std::string name;
    FeatureSelection selection;
};

// What a step of a kind comes to: the kind goes on, is skipped, or the run stops.
enum class KindStep
{
    GoOn,
    SkipKind,
    StopRun,
};

// What writing the next record came to.
enum class RecordStep
{
    Written,
    NoneLeft,
    WriteFailed,  // the user has been told; the run stops
};

// The state and steps of one conversion run: fileset by fileset, kind by kind, record
// by record. State lives in three scopes, each a struct reset as a whole: the run's
// (answers that hold for the rest of the run, what was written), the fileset's (its
// kinds, its integrated document, the files the user chose to skip or overwrite) and
// the kind's (its output and head). The head's lines come from DocumentHead.h, the DTD
// copies from DtdCopy.h; this class decides the order of the steps and shows every
// dialog of the run.
//
// Integrated documents are always complete: the first part written creates the file
// with the full head, and when a fileset ends with its document started but not
// closed, the closing lines are appended then.
//
// One run on one thread owns a converter; it owns its writer, the queue and the open
// output file, and closes the file when it goes. `presenter` may be null (every
// dialog then answers as it does when it cannot be shown) and otherwise must outlive
// the converter.
class FilesetConverter : public XmlBuilder
{
public:
    FilesetConverter(std::vector<FilesetToConvert> filesets, const ConversionOptions& options,
                     DialogPresenter* presenter);
    ~FilesetConverter() override;

    // Starts the next fileset; false when none is left. A fileset whose code cannot be
    // a folder name is started without kinds.
    bool NextFileset();
    // Starts the next kind of the current fileset; false when none is left.
    bool NextKind();
    // Reads the kind's data file; RecordCount() then tells its record lines. A missing
    // file asks whether to skip it.
    [[nodiscard]] KindStep ReadDataFile();
    // Whether the kind needs a point-data step first: the first kind of a fileset,
    // every meshKind, and any other kind while the mesh points are loaded.
    bool NeedsPointStep() const;
    // Reads the metadata file; false stops the run (the user has been told).
    [[nodiscard]] bool ReadMetadata();
    // Opens the point-data file: the number of its points, or nothing when the run
    // stops (the user has been told).
    [[nodiscard]] std::optional<int> LoadPoints();
    void ConvertNextPoint(int& counter);
    // After the first point: with options.composeThreads above 1, a big point file
    // whose lines allow it has every other point converted on all threads, and
    // `progress` told how many are done now and then, on this thread. `counter` counts
    // the points converted; ConvertNextPoint converts any left one by one.
    void ConvertRestSideBySide(int points, int& counter,
                               const ParallelRecords::Progress& progress);
    void ClosePointFile();
    // Chooses, asks about, opens and starts the kind's output.
    [[nodiscard]] KindStep OpenOutput();
    [[nodiscard]] RecordStep WriteNextRecord();
    // Whether the kind's records are composed on several threads: with
    // options.composeThreads above 1, for a kind of more than one run of records.
    bool SpreadsRecords() const;
    // Writes every record of such a kind and returns how many were written, telling
    // `progress` how many after each run of records, on this thread. A failed write
    // stops the writing (the user has been told; FinishKind then stops the run).
    std::size_t WriteSpreadRecords(const ParallelRecords::Progress& progress);
    // Writes the tail when due and closes the output; false when a write failed (the
    // user has been told; the run stops).
    [[nodiscard]] bool FinishKind();
    // Ends the current fileset: closes its integrated document when that was started
    // and not closed. Called by NextFileset and when the run ends or stops.
    void EndFileset();

    // Filesets not yet started.
    std::size_t PendingFilesets() const { return filesets.size() - nextFileset; }
    const std::string& FilesetName() const { return fileset.name; }
    const std::string& FilesetCode() const { return fileset.code; }
    const std::string& KindName() const { return kind.name; }
    const std::string& KindCode() const { return kind.code; }
    const StringList& PendingKinds() const { return fileset.pendingKinds; }
    int RecordCount() const { return kind.recordCount; }
    // The record lines WriteNextRecord has still to write. They stay readable, from
    // any thread, until the next ReadDataFile.
    TextLines::View PendingRecords() const { return records->Remaining(); }
    // The run's settings and the fileset's point table, start point and extent.
    const FilesetReader& Reader() const { return writer; }
    const std::set<std::filesystem::path>& WrittenFiles() const { return run.writtenFiles; }
    // The document the current kind was written into.
    const std::filesystem::path& OutputPath() const { return kind.outputPath; }
    // Told of every document closed, with its size; may be null. Must outlive the
    // converter, which closes a document when it goes.
    void SetRecorder(RunRecorder* runRecorder) { recorder = runRecorder; }

private:
    // Answers and results that hold for the rest of the run.
    struct RunState
    {
        bool dtdWarned = false;
        bool overwriteAll = false;
        bool skipAllMissing = false;
        bool writeFailed = false;
        std::set<std::filesystem::path> writtenFiles;
    };
    // The fileset in hand: its kinds and its integrated document.
    struct FilesetState
    {
        std::string code;
        std::string name;
        StringList pendingKinds;
        int pointSteps = 0;
        bool meshPointsLoaded = false;
        // The integrated document's progress.
        bool documentStarted = false;
        bool documentClosed = false;
        bool documentFailed = false;
        std::filesystem::path documentPath;
        // The last file the user chose to skip (and its name, code page 932), and the
        // one allowed to be overwritten.
        std::filesystem::path skippedPath;
        std::string skippedName;
        std::filesystem::path approvedPath;
        // Each pending kind's data file and the size it reports, looked up once for
        // reading ahead.
        std::map<std::string, std::pair<std::filesystem::path, std::uintmax_t>> dataFiles;
    };
    // The kind in hand: its output and the lines around its records.
    struct KindState
    {
        std::string code;
        std::string name;
        int recordCount = 0;
        // This kind writes the first part of the integrated document.
        bool firstPart = false;
        StringList headLines;
        StringList tailLines;
        std::filesystem::path outputPath;
    };
    // Where this kind's output goes: its file name (code page 932), how the file is
    // opened, and whether it is a part of the fileset's integrated document.
    struct OutputChoice
    {
        std::string fileName;
        OutputFile::Mode mode = OutputFile::Mode::Create;
        bool integratedPart = false;
    };

    // Queues the kinds of the selected "Object" entries: single codes at the head (so
    // they run in reverse), the leading parts of a comma list and meshKind at the tail.
    void QueueKinds(const FeatureSelection& selection);
    void CopyDtdFiles();
    // Chooses the file and fixes the kind's head and tail lines.
    OutputChoice ChooseOutput();
    // The head of a new document of this kind.
    StringList FullHead();
    // Asks before an existing file is overwritten.
    KindStep AnswerExisting(const std::filesystem::path& path, const std::string& fileName);
    KindStep OpenAndWriteHead(const std::filesystem::path& path, const OutputChoice& choice);
    void ReportWriteFailure(const std::filesystem::path& path);
    // Tells the recorder, if any, that `file` was closed at `bytes`.
    void NoteClosed(const std::filesystem::path& file, std::uint64_t bytes, bool complete);
    // With more than one composing thread, the next kinds' data files are read on
    // another thread while this kind's points and records are done: the next one, and
    // one further on when the kinds before it are small, or no bigger than it together
    // with this kind, so that small kinds do not leave a big one to be read after them.
    // Reading early shows nothing: a file that could not be read is read again, and the
    // user asked, in its turn.
    void StartReadAhead();
    // Takes the lines read ahead when they are `path`'s; false otherwise.
    bool TakeReadAhead(const std::filesystem::path& path);
    struct ReadAhead;
    // The entry read ahead that holds `path`; for an empty path, a free entry.
    ReadAhead* Held(const std::filesystem::path& path);
    // Has `path` read into a free entry, after the files already asked for.
    void ReadAheadInto(ReadAhead& entry, const std::filesystem::path& path);
    // Returns once the entry's file has been read, or found unreadable.
    static void WaitForRead(ReadAhead& entry);
    bool OtherThanMeshPending() const;
    std::filesystem::path OutputFolder() const;

    DialogPresenter* presenter;
    const ConversionOptions options;
    std::vector<FilesetToConvert> filesets;
    std::size_t nextFileset = 0;
    FeatureWriter writer;
    // Reused from kind to kind: the data file's lines and the output file.
    std::unique_ptr<TextLines> records = std::make_unique<TextLines>();
    OutputFile output;
    // The threads that compose big kinds, when the options ask for more than one.
    std::unique_ptr<ParallelRecords> composers;
    // Data files read ahead, one after another in the kinds' order on a thread of their
    // own, so that taking the next kind's file waits only for its own reading: a path
    // (empty for a free entry), its lines, whether reading it succeeded, and whether
    // reading it is over. The lines and `read` are touched by the reading thread only
    // until `done` is set. A file further on is held only behind kinds of at most
    // smallReadAhead bytes together, or behind kinds that with the current kind's lines
    // are no bigger than it, so the lines held stay within twice the largest data file
    // and smallReadAhead.
    struct ReadAhead
    {
        std::filesystem::path path;
        std::unique_ptr<TextLines> lines = std::make_unique<TextLines>();
        bool read = false;
        WaitableValue done{1};  // 1 once reading is over
    };
    static constexpr std::size_t smallReadAhead = 1 << 20;
    static constexpr std::size_t readAheadKinds = 4;
    std::array<ReadAhead, readAheadKinds> ahead;
    // Declared after the entries, so that it has ended before what it reads into goes.
    BackgroundWorker aheadReader{readAheadKinds};

    RunState run;
    FilesetState fileset;
    KindState kind;
    RunRecorder* recorder = nullptr;
};
