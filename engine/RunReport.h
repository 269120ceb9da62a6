#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/Dialogs.h"

struct FilesetPreview;

// What one conversion run did, fileset by fileset and kind by kind, in the order it met
// them: what was written where, what was not and why. Both front ends show it; it is
// built from what the run decides anyway, a few notes per kind and none per record.
// Texts are UTF-8.

// What became of one feature kind.
enum class KindOutcome
{
    Written,  // its records went into `document`
    Skipped,  // not converted; the run went on
    Failed,   // a failure was shown (`message`); `stoppedRun` tells whether the run ended
    Stopped,  // the user answered 終了 to the question about it; the run ended there
};

// Why a kind was not written.
enum class KindReason
{
    None,                  // written
    DataFileMissing,       // no data file: answered スキップ (or no one could answer)
    DataFileSkipAll,       // no data file: answered 全てスキップ here
    SkippedBySkipAll,      // no data file: 全てスキップ was answered earlier in the run
    DocumentKept,          // its document existed: answered スキップ, the file kept
    DocumentKeptEarlier,   // a part of a document kept by an earlier スキップ
    KindCodeUnusable,      // the code cannot be part of a file name
    DataFileQuit,          // no data file: answered 終了
    DocumentExistsQuit,    // its document existed: answered 終了
    Failure,               // the failure shown in `message`
};

// Stable names of the outcomes and reasons, for the JSON report and scripts:
// "written", "skipped", ...; "data-file-missing", "skipped-by-skip-all", ... ("" for None).
const char* OutcomeName(KindOutcome outcome);
const char* ReasonName(KindReason reason);

struct KindEntry
{
    std::string code;
    std::string name;      // the display name of the settings file
    KindOutcome outcome = KindOutcome::Written;
    KindReason reason = KindReason::None;
    std::string message;   // the question or failure shown for it; empty when none
    std::filesystem::path document;  // Written: the document its records went into
    long long records = 0;           // Written: record lines written
    bool stoppedRun = false;         // the run ended at this kind
};

struct FilesetEntry
{
    std::string code;
    std::string name;
    std::vector<KindEntry> kinds;  // in the order converted
    // Warnings shown when the fileset started (no DTD file, an unusable code).
    std::vector<std::string> notes;
    bool refused = false;  // its code cannot be a folder name: no kind was converted
    // Its map, when the run was asked to draw one (engine/MapPreview.h).
    std::shared_ptr<const FilesetPreview> preview;
};

struct DocumentEntry
{
    std::filesystem::path path;
    std::uint64_t bytes = 0;  // its size when last closed
    bool complete = true;     // false: a write to it failed
};

struct RunTotals
{
    int filesets = 0;       // filesets started
    int kindsWritten = 0;
    int kindsSkipped = 0;
    int kindsFailed = 0;    // failed or stopped by the user
    int documents = 0;
    std::uint64_t bytes = 0;
    long long records = 0;
};

struct RunReport
{
    std::vector<FilesetEntry> filesets;   // started, in run order
    std::vector<DocumentEntry> documents; // in the order first opened
    int filesetsPlanned = 0;              // filesets the run was asked to convert
    bool stopped = false;
    double seconds = 0;                   // elapsed, wall clock

    RunTotals Totals() const;
    // Whether any kind or fileset was not converted as asked (skipped, failed, refused,
    // or not reached because the run stopped).
    bool AnythingLeftOut() const;
    // Adds the filesets and documents of a later run (the batch tool runs one per
    // fileset); `seconds` is the caller's.
    void Append(const RunReport& later);
};

// Builds a RunReport from the notes of the run that owns it. The run shows its dialogs
// through the recorder, which hands each on to the real presenter and remembers what
// was asked and answered; when the run then decides a kind's outcome, those dialogs
// tell why. One recorder serves one run on one thread.
class RunRecorder : public DialogPresenter
{
public:
    // Where a kind was given up without being written.
    enum class Step
    {
        DataFile,  // reading its data file
        Output,    // opening its document
    };

    // `shown` may be null: every dialog then answers -1, as without a recorder.
    RunRecorder(DialogPresenter* shown, int filesetsPlanned);

    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override;

    // Each of these notes one decision of the run; names and codes are code page 932.
    void FilesetStarted(const std::string& code, const std::string& name);
    void KindStarted(const std::string& code, const std::string& name);
    void KindWritten(const std::filesystem::path& document, long long records);
    void KindSkipped(Step step);
    // The run ends at the current kind (a quit answer or a failure).
    void KindStopped();
    // A document was closed at `bytes`; `complete` is false when a write to it failed.
    void DocumentClosed(const std::filesystem::path& document, std::uint64_t bytes,
                        bool complete);
    // The map of the fileset started last.
    void FilesetDrawn(std::shared_ptr<const FilesetPreview> preview);

    RunReport Finish(bool stopped, double seconds);

private:
    struct Shown
    {
        const DialogLayout* layout;
        MessageId id;
        int result;
        std::string message;
    };
    KindEntry& Current();
    // The dialog of this kind with `id`, or null.
    const Shown* Find(MessageId id) const;
    const Shown* FindFailure() const;

    DialogPresenter* presenter;
    RunReport report;
    // Dialogs shown since the last note; a kind's outcome is read from them.
    std::vector<Shown> since;
    bool kindOpen = false;
    // Where each document is in report.documents.
    std::map<std::filesystem::path, std::size_t> documentIndex;
};
