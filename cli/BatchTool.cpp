#include "cli/BatchTool.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/ReportJson.h"
#include "dialogs/Dialogs.h"
#include "engine/Conversion.h"
#include "engine/ConversionOptions.h"
#include "engine/InputCheck.h"
#include "engine/DtdValidator.h"
#include "engine/MapPreview.h"
#include "platform/Background.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"
#include "readers/FilesetList.h"
#include "readers/SettingsFile.h"
#include "text/Cp932.h"

namespace fs = std::filesystem;

namespace {

enum class ExistingAnswer { Overwrite, Skip, Stop };
enum class MissingAnswer { Skip, Stop };

struct BatchOptions
{
    fs::path csvFile;
    ConversionOptions conversion;  // xmlFolder is --out
    std::vector<std::string> filesets;
    FeatureSelection selection;  // applied to every fileset
    ExistingAnswer existing = ExistingAnswer::Stop;
    MissingAnswer missing = MissingAnswer::Skip;
    bool quiet = false;
    int jobs = 1;
    fs::path reportFile;  // empty: no JSON report
    bool validate = false;
    fs::path previewFolder;  // empty: no maps
};

// A command line that cannot be run: the message, and 0 for --help, 2 otherwise.
struct Refusal
{
    int status;
    std::string message;
};

// One dialog as printed, with what it means for the run-wide answers.
struct DialogLine
{
    MessageId id;
    int result;
    std::string text;
};

// Answers dialogs from the options and keeps what was shown, so that the lines of
// filesets converted side by side can be printed in fileset order afterwards. Each
// fileset run has its own presenter.
class BatchPresenter : public DialogPresenter
{
public:
    explicit BatchPresenter(const BatchOptions& batchOptions) : options(batchOptions) {}

    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override
    {
        const int result = Answer(layout, id);
        std::string answerText;
        for (const DialogButton& button : layout.buttons) {
            if (button.result == result) {
                answerText = button.text;
            }
        }
        std::string text = layout.caption + ": " + message + " [" + answerText + "]";
        if (id == MessageId::XmlFileExists && result == ResultCode(OverwriteDialog::Answer::Quit)) {
            text += "\n  hint: --existing overwrite or --existing skip answers this question";
        }
        lines.push_back({id, result, text});
        return result;
    }

    std::vector<DialogLine> lines;

private:
    int Answer(const DialogLayout& layout, MessageId id) const
    {
        if (id == MessageId::XmlFileExists) {
            switch (options.existing) {
            case ExistingAnswer::Overwrite:
                return ResultCode(OverwriteDialog::Answer::OverwriteAll);
            case ExistingAnswer::Skip:
                return ResultCode(OverwriteDialog::Answer::Skip);
            case ExistingAnswer::Stop:
                return ResultCode(OverwriteDialog::Answer::Quit);
            }
        }
        if (id == MessageId::DataFileMissing) {
            return ResultCode(options.missing == MissingAnswer::Skip ? SkipDialog::Answer::SkipAll
                                                                     : SkipDialog::Answer::Quit);
        }
        return layout.buttons.empty() ? layout.escapeResult : layout.buttons.front().result;
    }

    const BatchOptions& options;
};

// Prints the lines of converted filesets in order, as one run over all of them would
// have shown them: a choice that holds for the rest of a run ("全て上書き",
// "全てスキップ") and the missing-DTD warning appear once.
class DialogPrinter
{
public:
    explicit DialogPrinter(std::ostream& errorStream) : err(errorStream) {}

    void Print(const std::vector<DialogLine>& lines)
    {
        for (const DialogLine& line : lines) {
            const bool overwriteAll = line.id == MessageId::XmlFileExists;
            const bool skipAll = line.id == MessageId::DataFileMissing;
            const bool dtdWarning = line.id == MessageId::DtdFileMissing;
            if ((overwriteAll && overwriteAllShown) || (skipAll && skipAllShown) ||
                (dtdWarning && dtdWarningShown)) {
                continue;
            }
            overwriteAllShown |=
                overwriteAll && line.result == ResultCode(OverwriteDialog::Answer::OverwriteAll);
            skipAllShown |= skipAll && line.result == ResultCode(SkipDialog::Answer::SkipAll);
            dtdWarningShown |= dtdWarning;
            err << line.text << '\n';
            ++shown;
        }
        err.flush();
    }

    int Shown() const { return shown; }

private:
    std::ostream& err;
    bool overwriteAllShown = false;
    bool skipAllShown = false;
    bool dtdWarningShown = false;
    int shown = 0;
};

// A progress bar on the error stream, over all filesets of the batch.
class BarProgress
{
public:
    BarProgress(std::ostream& errorStream, bool visible, int filesetCount)
        : err(errorStream), shown(visible), total(filesetCount)
    {
    }

    void FilesetDone(const std::string& name)
    {
        ++done;
        if (!shown) {
            return;
        }
        constexpr int width = 30;
        const int filled = total == 0 ? width : done * width / total;
        err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << done << "/"
            << total << " " << name << "\x1b[K";
        if (done == total) {
            err << '\n';
        }
        err.flush();
    }

private:
    std::ostream& err;
    bool shown;
    int total;
    int done = 0;
};

struct FilesetJob
{
    std::string code;
    std::string name;
    ConversionSummary summary;
    std::vector<DialogLine> lines;
    bool finished = false;
    // Its map: the file written and what it shows, or why it was not written. The
    // picture itself is let go once written, so a long batch keeps none.
    fs::path mapFile;
    std::string mapText;
    bool mapFailed = false;
};

bool ValidationAvailable()
{
    static const bool available = MakeDtdValidator() != nullptr;
    return available;
}

std::string HelpText()
{
    return R"(Converts filesets of a map data set into GI XML documents.

Every dialog the conversion shows is printed on standard error with its caption
(警告, 確認, 失敗), its text and the answer the options gave:
  "XMLファイル … は既に存在します。"  answered by --existing
  "データファイル … がありません。"    answered by --missing
  warnings and failures                 answered "ＯＫ" / "終了"

After the summary, every kind that was not converted is listed with its reason, in
the order the run met it. --report writes the whole run report as JSON (the README
documents its shape). --validate checks every document written against the DTD its
DOCTYPE names (the copy beside it, else the DTD folder's) with libxml2, and prints a
line per document; builds without libxml2 have no such check.

--preview DIR draws a map of each fileset as it is converted and writes it to
DIR/<fileset code>.png (DIR is created, one level, when missing): curves, points and
surfaces coloured by kind, north up, with a legend of the kinds drawn and a scale.

Exit status: 0 the run completed (kinds may have been skipped) and, with --validate,
every document is valid; 1 the run stopped (a stop answer, a missing metadata or
point-data file, a write failure); 2 the command line or an input path is wrong
(nothing is written then); 3 the run completed but --validate found a document that is
not valid or whose DTD is missing; 4 the --report file or a --preview map could not be
written.

The inputs are checked as the wizard checks them: the CSV file, the data folder and
the DTD folder, in that order; a missing output folder is created (one level).
Filesets are converted in ascending order of their codes; each fileset's output
depends only on the settings, its own files and the options, so a large data set can
be split by --fileset across machines.)";
}

// The options as CLI11 reads them, before they become paths and answers. Paths are
// taken as UTF-8 text (on Windows main() makes the arguments so) and become paths
// afterwards, never through the process code page.
struct ArgumentTexts
{
    bool perKind = false;
    std::string existing = "stop";
    std::string missing = "skip";
    std::string csvFile;
    std::string dataFolder;
    std::string dtdFolder;
    std::string xmlFolder;
    std::string settingsFile;
    std::string reportFile;
    std::string previewFolder;
};

void DeclareOptions(CLI::App& app, ArgumentTexts& texts, BatchOptions& options)
{
    app.add_option("--csv", texts.csvFile, "fileset-list CSV file")->required();
    app.add_option("--data", texts.dataFolder, "data folder (a sub-folder per fileset)")
        ->required();
    app.add_option("--dtd", texts.dtdFolder, "folder of the DTD files")->required();
    app.add_option("--out", texts.xmlFolder, "XML output folder")->required();
    app.add_option("--settings", texts.settingsFile,
                   "settings file, used exactly as given (default: ordevik.ini beside the "
                   "executable)");
    app.add_option("--fileset", options.filesets,
                   "convert this fileset of the CSV file; repeatable (default: every fileset)");
    app.add_option("--selection", options.selection,
                   "one 0/1 per \"Object\" entry, applied to every fileset (default: all 1)");
    app.add_flag("--per-kind", texts.perKind, "one XML file per feature kind");
    app.add_flag("--shift-jis", options.conversion.shiftJisOutput,
                 "write Shift_JIS (default: UTF-8)");
    app.add_flag("--no-dtd-copy", options.conversion.skipDtdCopy, "do not copy the DTD files");
    app.add_option("--existing", texts.existing,
                   "answer to an existing XML file: overwrite (全て上書き), skip (スキップ) or "
                   "stop (終了; default)")
        ->check(CLI::IsMember({"overwrite", "skip", "stop"}));
    app.add_option("--missing", texts.missing,
                   "answer to a missing data file: skip (全てスキップ; default) or stop (終了)")
        ->check(CLI::IsMember({"skip", "stop"}));
    app.add_flag("--quiet", options.quiet,
                 "no progress, no summary and no list of valid documents");
    app.add_option("--report", texts.reportFile,
                   "write the run report as JSON to this file (filesets, kinds, outcome, "
                   "reason, document, records, bytes)");
    app.add_flag("--validate", options.validate,
                 ValidationAvailable()
                     ? "check every document written against its DTD with libxml2"
                     : "check documents against their DTD: not available in this build, "
                       "which has no libxml2");
    app.add_option("--preview", texts.previewFolder,
                   "draw a map of each fileset into this folder as <code>.png");
    app.add_option("--jobs", options.jobs,
                   "convert on N threads: up to N filesets at once, and the records of "
                   "fewer filesets spread over the threads left (default 1)")
        ->check(CLI::Range(1, 256));
}

// Reads the command line into `options`; a refusal when it is wrong or asks for help.
std::optional<Refusal> ParseArguments(int argc, const char* const* argv, BatchOptions& options)
{
    ArgumentTexts texts;
    CLI::App app("ordevik-batch", "ordevik-batch");
    app.footer(HelpText());
    DeclareOptions(app, texts, options);
    app.set_version_flag("--version", "ordevik-batch " ORDEVIK_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion&) {
        return Refusal{0, "ordevik-batch " ORDEVIK_VERSION "\n"};
    } catch (const CLI::CallForHelp&) {
        std::string help = app.help();
        if (help.empty() || help.back() != '\n') {
            help += '\n';
        }
        return Refusal{0, help};
    } catch (const CLI::ParseError& error) {
        return Refusal{2, std::string(error.what()) + "\nRun with --help for more information."};
    }
    options.csvFile = PathFromText(texts.csvFile);
    options.conversion.dataFolder = PathFromText(texts.dataFolder);
    options.conversion.dtdFolder = PathFromText(texts.dtdFolder);
    options.conversion.xmlFolder = PathFromText(texts.xmlFolder);
    options.conversion.settingsFile = PathFromText(texts.settingsFile);
    options.reportFile = PathFromText(texts.reportFile);
    options.previewFolder = PathFromText(texts.previewFolder);
    // Each fileset is a run of its own, whose map is written and let go at its end.
    options.conversion.previewFilesets = texts.previewFolder.empty() ? 0 : 1;
    if (options.validate && !ValidationAvailable()) {
        return Refusal{2, "--validate: this build has no DTD validation (it has no libxml2)"};
    }
    options.conversion.integratedOutput = !texts.perKind;
    options.existing = texts.existing == "overwrite" ? ExistingAnswer::Overwrite
                       : texts.existing == "skip"    ? ExistingAnswer::Skip
                                                     : ExistingAnswer::Stop;
    options.missing = texts.missing == "stop" ? MissingAnswer::Stop : MissingAnswer::Skip;
    return std::nullopt;
}

// Checks the inputs in the wizard's order, then the settings file and the selection,
// and fills in their defaults.
std::optional<std::string> CheckInputs(BatchOptions& options)
{
    ConversionOptions& conversion = options.conversion;
    if (const std::optional<InputProblem> problem =
            CheckRunInputs(options.csvFile, conversion.dataFolder, conversion.dtdFolder)) {
        return MessageText(problem->message) + " (" + PathText(problem->path) + ")";
    }
    if (conversion.settingsFile.empty()) {
        conversion.settingsFile = SettingsFile::DefaultPath();
    }
    if (!IsRegularFile(conversion.settingsFile)) {
        return "settings file not found: " + PathText(conversion.settingsFile);
    }
    SettingsFile settings(conversion.settingsFile);
    if (!settings.ReadIniFile()) {
        return "settings file cannot be read: " + PathText(conversion.settingsFile);
    }
    const std::size_t kindCount = static_cast<std::size_t>(settings.LoadObjects());
    if (options.selection.empty()) {
        options.selection.assign(kindCount, '1');
    }
    if (options.selection.size() != kindCount ||
        options.selection.find_first_not_of("01") != std::string::npos) {
        return "--selection needs one 0 or 1 for each of the " + std::to_string(kindCount) +
               " \"Object\" entries of " + PathText(conversion.settingsFile);
    }
    return std::nullopt;
}

// The filesets to convert, code to name: those of --fileset, or every fileset listed.
std::optional<std::string> ChooseFilesets(const BatchOptions& options,
                                          std::map<std::string, std::string>& chosen)
{
    std::map<std::string, std::string> listed;
    if (ReadFilesetList(options.csvFile, listed) != 0) {
        return MessageText(MessageId::CsvFileMissing) + " (" + PathText(options.csvFile) + ")";
    }
    if (options.filesets.empty()) {
        chosen = listed;
        return std::nullopt;
    }
    // Codes on the command line are UTF-8; the CSV file's are code page 932.
    std::map<std::string, std::string> byUtf8;
    for (const auto& [code, name] : listed) {
        byUtf8[ToUtf8(code)] = code;
    }
    for (const std::string& wanted : options.filesets) {
        const auto found = byUtf8.find(wanted);
        if (found == byUtf8.end()) {
            return "fileset " + wanted + " is not listed in " + PathText(options.csvFile);
        }
        chosen[found->second] = listed[found->second];
    }
    return std::nullopt;
}

// The output folder as the wizard leaves it: a folder, created (one level) if missing.
std::optional<std::string> PrepareOutputFolder(const fs::path& folder)
{
    if (PathExists(folder) && !IsFolder(folder)) {
        return "the output folder is a file: " + PathText(folder);
    }
    if (!PathExists(folder) && !CreateFolder(folder)) {
        return "cannot create the output folder " + PathText(folder);
    }
    return std::nullopt;
}

// Writes the job's map and lets the picture go.
void WriteMap(const BatchOptions& options, FilesetJob& job,
              std::shared_ptr<const FilesetPreview> map)
{
    job.mapFile = options.previewFolder / FsName(map->code);
    job.mapFile += ".png";
    const std::string failure = WritePng(job.mapFile, map->picture);
    job.mapFailed = !failure.empty();
    job.mapText = job.mapFailed ? failure : map->description;
}

// Converts one fileset as a run of its own. Its documents depend only on the settings,
// its files and the options, so filesets may be converted side by side. Its map is
// compressed and written by `mapWriter` while the next fileset converts; the writer
// takes one map at a time, so at most one picture per thread waits to be written.
void ConvertFileset(const BatchOptions& options, FilesetJob& job, BackgroundWorker& mapWriter)
{
    ConversionRequest request;
    request.options = options.conversion;
    request.selectedFilesets[job.code] = job.name;
    request.featureSelection[job.code] = options.selection;
    BatchPresenter presenter(options);
    SilentProgress progress;
    job.summary = RunConversion(request, &presenter, progress);
    job.lines = std::move(presenter.lines);
    for (FilesetEntry& fileset : job.summary.report.filesets) {
        std::shared_ptr<const FilesetPreview> map = std::move(fileset.preview);
        // A code that cannot be a file name has no map, as it has no documents.
        if (map == nullptr || !IsSafeName(fileset.code)) {
            continue;
        }
        mapWriter.Start([&options, &job, map = std::move(map)] { WriteMap(options, job, map); });
    }
}

// Converts the jobs on up to options.jobs threads: a fileset per thread, and the
// threads that no fileset needs compose the records of those that run, so that one big
// fileset uses them too. A stopped fileset lets the started ones finish and starts no
// new one. Dialog lines and the bar follow fileset order.
void RunJobs(const BatchOptions& batchOptions, std::vector<FilesetJob>& jobs,
             DialogPrinter& printer, BarProgress& bar)
{
    const int threadCount = std::min<int>(batchOptions.jobs, static_cast<int>(jobs.size()));
    BatchOptions options = batchOptions;
    options.conversion.composeThreads = std::max(1, options.jobs / std::max(1, threadCount));
    std::mutex mutex;  // guards the three counters and the jobs' `finished`
    std::size_t nextJob = 0;
    std::size_t nextPrint = 0;
    bool stopped = false;
    auto worker = [&]() {
        // Ends after writing the map in hand when the worker ends.
        BackgroundWorker mapWriter{0};
        for (;;) {
            std::size_t index;
            {
                std::lock_guard lock(mutex);
                if (stopped || nextJob >= jobs.size()) {
                    return;
                }
                index = nextJob++;
            }
            ConvertFileset(options, jobs[index], mapWriter);

            std::lock_guard lock(mutex);
            jobs[index].finished = true;
            stopped |= jobs[index].summary.stopped;
            while (nextPrint < jobs.size() && jobs[nextPrint].finished) {
                printer.Print(jobs[nextPrint].lines);
                bar.FilesetDone(ToUtf8(jobs[nextPrint].name));
                ++nextPrint;
            }
        }
    };
    if (threadCount <= 1) {
        worker();
        return;
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back(worker);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

ConversionSummary Total(const std::vector<FilesetJob>& jobs)
{
    ConversionSummary total;
    for (const FilesetJob& job : jobs) {
        if (!job.finished) {
            continue;
        }
        total.report.Append(job.summary.report);
        total.stopped |= job.summary.stopped;
        total.filesets += job.summary.filesets;
        total.kindsConverted += job.summary.kindsConverted;
        total.kindsSkipped += job.summary.kindsSkipped;
        total.records += job.summary.records;
        total.filesWritten.insert(job.summary.filesWritten.begin(),
                                  job.summary.filesWritten.end());
    }
    // Filesets a stopped batch never started count as asked for.
    total.report.filesetsPlanned = static_cast<int>(jobs.size());
    return total;
}

// Why a kind was not converted, as the summary lists it: the question or failure shown
// and the answer the options gave.
std::string NotConverted(const KindEntry& kind)
{
    switch (kind.reason) {
    case KindReason::None:
        break;
    case KindReason::DataFileMissing:
    case KindReason::DocumentKept:
        return "skipped: " + kind.message + " [スキップ]";
    case KindReason::DataFileSkipAll:
        return "skipped: " + kind.message + " [全てスキップ]";
    case KindReason::SkippedBySkipAll:
        return "skipped: no data file [全てスキップ]";
    case KindReason::DocumentKeptEarlier:
        return "skipped: its document exists and is kept [スキップ]";
    case KindReason::KindCodeUnusable:
        return "skipped: " + kind.message;
    case KindReason::DataFileQuit:
    case KindReason::DocumentExistsQuit:
        return "stopped: " + kind.message + " [終了]";
    case KindReason::Failure:
        return "failed: " + (kind.message.empty() ? std::string("a write failed") : kind.message) +
               (kind.stoppedRun ? " (the run stopped here)" : "");
    }
    return "failed";
}

// Every kind and fileset that was not converted, in the order the run met them.
void PrintNotConverted(std::ostream& out, const RunReport& report)
{
    std::vector<std::string> lines;
    for (const FilesetEntry& fileset : report.filesets) {
        const std::string where = "  " + fileset.code + " " + fileset.name;
        if (fileset.refused) {
            for (const std::string& note : fileset.notes) {
                lines.push_back(where + ": refused: " + note);
            }
        }
        for (const KindEntry& kind : fileset.kinds) {
            if (kind.outcome != KindOutcome::Written) {
                lines.push_back(where + " " + kind.code + " " + kind.name + ": " +
                                NotConverted(kind));
            }
        }
    }
    const int notStarted = report.filesetsPlanned - static_cast<int>(report.filesets.size());
    if (notStarted > 0) {
        lines.push_back("  " + std::to_string(notStarted) +
                        " fileset(s) not started: the run stopped");
    }
    if (lines.empty()) {
        return;
    }
    out << "not converted:\n";
    for (const std::string& line : lines) {
        out << line << '\n';
    }
}

std::string Seconds(double seconds)
{
    std::ostringstream text;
    text.precision(2);
    text << std::fixed << seconds;
    return text.str();
}

// Validates every document of the report in its order, printing a line per document:
// on `out` unless quiet, and the ones not valid on `err` when quiet. True when all
// are valid.
bool ValidateDocuments(const BatchOptions& options, const RunReport& report,
                       std::vector<DocumentValidity>& results, std::ostream& out,
                       std::ostream& err)
{
    const auto startTime = std::chrono::steady_clock::now();
    const std::unique_ptr<DocumentValidator> validator = MakeDtdValidator();
    const fs::path outFolder = WithoutTrailingSeparator(options.conversion.xmlFolder);
    int notValid = 0;
    for (const DocumentEntry& document : report.documents) {
        const DocumentValidity& result =
            results.emplace_back(validator->Validate(document.path, options.conversion.dtdFolder));
        const std::string name = PathText(document.path.lexically_relative(outFolder));
        std::string line;
        switch (result.validity) {
        case Validity::Valid:
            line = "valid: " + name;
            break;
        case Validity::Invalid:
            line = "invalid: " + name + ":" + std::to_string(result.line) + ": " + result.message;
            break;
        case Validity::DtdMissing:
            line = "dtd missing: " + name + ": " + result.message;
            break;
        case Validity::Unreadable:
            line = "unreadable: " + name + (result.message.empty() ? "" : ": " + result.message);
            break;
        }
        const bool valid = result.validity == Validity::Valid;
        notValid += valid ? 0 : 1;
        if (!options.quiet) {
            out << line << '\n';
        } else if (!valid) {
            err << line << '\n';
        }
    }
    if (!options.quiet) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - startTime;
        out << "validated " << report.documents.size() << " documents in "
            << Seconds(elapsed.count()) << " s: "
            << report.documents.size() - static_cast<std::size_t>(notValid) << " valid, "
            << notValid << " not valid\n";
    }
    return notValid == 0;
}

bool WriteReport(const fs::path& file, const std::string& text)
{
    std::FILE* stream = OpenFile(file, "wb");
    if (stream == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    return std::fclose(stream) == 0 && written;
}

void PrintSummary(std::ostream& out, const ConversionSummary& total, int warnings,
                  double seconds, const fs::path& outFolder)
{
    const RunTotals totals = total.report.Totals();
    out << (total.stopped ? "stopped" : "done") << ": filesets " << total.filesets << ", kinds "
        << total.kindsConverted << " converted, " << total.kindsSkipped << " skipped, "
        << totals.kindsFailed << " failed, records " << total.records << ", files written "
        << total.filesWritten.size() << " (" << totals.bytes << " bytes), warnings " << warnings
        << ", time " << Seconds(seconds) << " s\n"
        << "XML written to " << PathText(outFolder) << '\n';
    PrintNotConverted(out, total.report);
}

// A line per map written, on `out`, and per map not written, on `err`; false when one
// was not written.
bool PrintMaps(const std::vector<FilesetJob>& jobs, bool quiet, std::ostream& out,
               std::ostream& err)
{
    bool written = true;
    for (const FilesetJob& job : jobs) {
        if (job.mapFailed) {
            written = false;
            err << "ordevik-batch: cannot write the map " << PathText(job.mapFile) << ": "
                << job.mapText << '\n';
        } else if (!job.mapFile.empty() && !quiet) {
            out << "map " << PathText(job.mapFile) << ": " << job.mapText << '\n';
        }
    }
    return written;
}

}

int RunBatch(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    BatchOptions options;
    if (const std::optional<Refusal> refusal = ParseArguments(argc, argv, options)) {
        if (refusal->status == 0) {
            out << refusal->message;
        } else {
            err << "ordevik-batch: " << refusal->message << '\n';
        }
        return refusal->status;
    }
    std::map<std::string, std::string> chosen;
    std::optional<std::string> problem = CheckInputs(options);
    if (!problem) {
        problem = ChooseFilesets(options, chosen);
    }
    if (!problem && !options.reportFile.empty() &&
        !IsFolder(options.reportFile.has_parent_path() ? options.reportFile.parent_path()
                                                       : fs::path("."))) {
        problem = "the folder of the report file does not exist: " + PathText(options.reportFile);
    }
    // A map folder that is a file is refused before the XML folder is created.
    if (!problem && PathExists(options.previewFolder) && !IsFolder(options.previewFolder)) {
        problem = "the output folder is a file: " + PathText(options.previewFolder);
    }
    if (!problem) {
        problem = PrepareOutputFolder(options.conversion.xmlFolder);
    }
    if (!problem && !options.previewFolder.empty()) {
        problem = PrepareOutputFolder(options.previewFolder);
    }
    if (problem) {
        err << "ordevik-batch: " << *problem << '\n';
        return 2;
    }

    std::vector<FilesetJob> jobs;
    for (const auto& [code, name] : chosen) {
        FilesetJob job;
        job.code = code;
        job.name = name;
        jobs.push_back(std::move(job));
    }
    const auto startTime = std::chrono::steady_clock::now();
    DialogPrinter printer(err);
    BarProgress bar(err, !options.quiet && StandardErrorIsTerminal(),
                    static_cast<int>(jobs.size()));
    RunJobs(options, jobs, printer, bar);

    ConversionSummary total = Total(jobs);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - startTime;
    total.report.seconds = elapsed.count();
    if (!options.quiet) {
        PrintSummary(out, total, printer.Shown(), elapsed.count(), options.conversion.xmlFolder);
    }
    const bool mapsWritten = PrintMaps(jobs, options.quiet, out, err);
    std::vector<DocumentValidity> validation;
    const bool valid =
        !options.validate || ValidateDocuments(options, total.report, validation, out, err);
    if (!options.reportFile.empty()) {
        const std::string json =
            ReportJson(total.report, WithoutTrailingSeparator(options.conversion.xmlFolder),
                       options.validate ? &validation : nullptr);
        if (!WriteReport(options.reportFile, json)) {
            err << "ordevik-batch: cannot write the report " << PathText(options.reportFile)
                << '\n';
            return 4;
        }
    }
    if (total.stopped) {
        return 1;
    }
    if (!valid) {
        return 3;
    }
    return mapsWritten ? 0 : 4;
}
