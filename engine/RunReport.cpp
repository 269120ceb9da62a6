#include "engine/RunReport.h"

#include <algorithm>
#include <utility>

#include "text/Cp932.h"

const char* OutcomeName(KindOutcome outcome)
{
    switch (outcome) {
    case KindOutcome::Written:
        return "written";
    case KindOutcome::Skipped:
        return "skipped";
    case KindOutcome::Failed:
        return "failed";
    case KindOutcome::Stopped:
        return "stopped";
    }
    return "failed";
}

const char* ReasonName(KindReason reason)
{
    switch (reason) {
    case KindReason::None:
        return "";
    case KindReason::DataFileMissing:
        return "data-file-missing";
    case KindReason::DataFileSkipAll:
        return "data-file-missing-skip-all";
    case KindReason::SkippedBySkipAll:
        return "skipped-by-skip-all";
    case KindReason::DocumentKept:
        return "document-kept";
    case KindReason::DocumentKeptEarlier:
        return "document-kept-earlier";
    case KindReason::KindCodeUnusable:
        return "kind-code-unusable";
    case KindReason::DataFileQuit:
        return "data-file-missing-stop";
    case KindReason::DocumentExistsQuit:
        return "document-exists-stop";
    case KindReason::Failure:
        return "failure";
    }
    return "failure";
}

RunTotals RunReport::Totals() const
{
    RunTotals totals;
    totals.filesets = static_cast<int>(filesets.size());
    for (const FilesetEntry& fileset : filesets) {
        for (const KindEntry& kind : fileset.kinds) {
            switch (kind.outcome) {
            case KindOutcome::Written:
                ++totals.kindsWritten;
                totals.records += kind.records;
                break;
            case KindOutcome::Skipped:
                ++totals.kindsSkipped;
                break;
            case KindOutcome::Failed:
            case KindOutcome::Stopped:
                ++totals.kindsFailed;
                break;
            }
        }
    }
    totals.documents = static_cast<int>(documents.size());
    for (const DocumentEntry& document : documents) {
        totals.bytes += document.bytes;
    }
    return totals;
}

bool RunReport::AnythingLeftOut() const
{
    if (stopped || static_cast<int>(filesets.size()) < filesetsPlanned) {
        return true;
    }
    for (const FilesetEntry& fileset : filesets) {
        if (fileset.refused) {
            return true;
        }
        for (const KindEntry& kind : fileset.kinds) {
            if (kind.outcome != KindOutcome::Written) {
                return true;
            }
        }
    }
    return false;
}

void RunReport::Append(const RunReport& later)
{
    filesets.insert(filesets.end(), later.filesets.begin(), later.filesets.end());
    documents.insert(documents.end(), later.documents.begin(), later.documents.end());
    filesetsPlanned += later.filesetsPlanned;
    stopped |= later.stopped;
}

RunRecorder::RunRecorder(DialogPresenter* shown, int filesetsPlanned) : presenter(shown)
{
    report.filesetsPlanned = filesetsPlanned;
}

int RunRecorder::ShowModal(const DialogLayout& layout, MessageId id, const std::string& message)
{
    const int result = presenter != nullptr ? presenter->ShowModal(layout, id, message) : -1;
    since.push_back({&layout, id, result, message});
    return result;
}

void RunRecorder::FilesetStarted(const std::string& code, const std::string& name)
{
    FilesetEntry& fileset = report.filesets.emplace_back();
    fileset.code = ToUtf8(code);
    fileset.name = ToUtf8(name);
    // What starting the fileset showed: the missing-DTD warning, an unusable code.
    for (const Shown& dialog : since) {
        fileset.notes.push_back(dialog.message);
        fileset.refused |= dialog.id == MessageId::FilesetCodeUnusable;
    }
    since.clear();
    kindOpen = false;
}

void RunRecorder::KindStarted(const std::string& code, const std::string& name)
{
    if (report.filesets.empty()) {
        report.filesets.emplace_back();
    }
    KindEntry& kind = report.filesets.back().kinds.emplace_back();
    kind.code = ToUtf8(code);
    kind.name = ToUtf8(name);
    since.clear();
    kindOpen = true;
}

KindEntry& RunRecorder::Current()
{
    if (!kindOpen) {
        KindStarted({}, {});
    }
    return report.filesets.back().kinds.back();
}

const RunRecorder::Shown* RunRecorder::Find(MessageId id) const
{
    const auto found = std::find_if(since.rbegin(), since.rend(),
                                    [id](const Shown& dialog) { return dialog.id == id; });
    return found != since.rend() ? &*found : nullptr;
}

const RunRecorder::Shown* RunRecorder::FindFailure() const
{
    const auto found = std::find_if(since.rbegin(), since.rend(), [](const Shown& dialog) {
        return dialog.layout == &FailureDialog::Definition();
    });
    return found != since.rend() ? &*found : nullptr;
}

void RunRecorder::KindWritten(const std::filesystem::path& document, long long records)
{
    KindEntry& kind = Current();
    kind.outcome = KindOutcome::Written;
    kind.document = document;
    kind.records = records;
    since.clear();
}

void RunRecorder::KindSkipped(Step step)
{
    KindEntry& kind = Current();
    kind.outcome = KindOutcome::Skipped;
    if (const Shown* failure = FindFailure()) {
        // A document that cannot be opened is given up; the run goes on.
        kind.outcome = KindOutcome::Failed;
        kind.reason = KindReason::Failure;
        kind.message = failure->message;
    } else if (const Shown* unusable = Find(MessageId::KindCodeUnusable)) {
        kind.reason = KindReason::KindCodeUnusable;
        kind.message = unusable->message;
    } else if (const Shown* missing = Find(MessageId::DataFileMissing)) {
        const bool skipAll = missing->result == ResultCode(SkipDialog::Answer::SkipAll);
        kind.reason = skipAll ? KindReason::DataFileSkipAll : KindReason::DataFileMissing;
        kind.message = missing->message;
    } else if (const Shown* existing = Find(MessageId::XmlFileExists)) {
        kind.reason = KindReason::DocumentKept;
        kind.message = existing->message;
    } else {
        // Nothing asked: an answer given earlier in the run or fileset decided.
        kind.reason = step == Step::DataFile ? KindReason::SkippedBySkipAll
                                             : KindReason::DocumentKeptEarlier;
    }
    since.clear();
}

void RunRecorder::KindStopped()
{
    KindEntry& kind = Current();
    kind.stoppedRun = true;
    if (const Shown* failure = FindFailure()) {
        kind.outcome = KindOutcome::Failed;
        kind.reason = KindReason::Failure;
        kind.message = failure->message;
    } else if (const Shown* missing = Find(MessageId::DataFileMissing)) {
        kind.outcome = KindOutcome::Stopped;
        kind.reason = KindReason::DataFileQuit;
        kind.message = missing->message;
    } else if (const Shown* existing = Find(MessageId::XmlFileExists)) {
        kind.outcome = KindOutcome::Stopped;
        kind.reason = KindReason::DocumentExistsQuit;
        kind.message = existing->message;
    } else {
        // A failure told before this kind started (closing the last fileset's document).
        kind.outcome = KindOutcome::Failed;
        kind.reason = KindReason::Failure;
    }
    since.clear();
}

void RunRecorder::FilesetDrawn(std::shared_ptr<const FilesetPreview> preview)
{
    if (!report.filesets.empty()) {
        report.filesets.back().preview = std::move(preview);
    }
}

void RunRecorder::DocumentClosed(const std::filesystem::path& document, std::uint64_t bytes,
                                 bool complete)
{
    const auto [found, added] = documentIndex.try_emplace(document, report.documents.size());
    if (added) {
        report.documents.push_back({document, bytes, complete});
        return;
    }
    // An integrated document is closed once per part; the last size counts, and a
    // failure in any part leaves it incomplete.
    DocumentEntry& entry = report.documents[found->second];
    entry.bytes = bytes;
    entry.complete = entry.complete && complete;
}

RunReport RunRecorder::Finish(bool stopped, double seconds)
{
    report.stopped = stopped;
    report.seconds = seconds;
    return std::move(report);
}
