#include "engine/Conversion.h"

#include <chrono>

#include "engine/FilesetConverter.h"
#include "platform/FileSystem.h"
#include "text/Cp932.h"

namespace {

// The progress bar's range within one point-data step or one kind.
constexpr int progressRange = 40;

std::string Counter(int number, const std::string& total)
{
    return "(" + std::to_string(number) + "/" + total + ")";
}

// One run: the converter, the progress it shows and what it counts.
class ConversionRun
{
public:
    ConversionRun(const ConversionRequest& request, DialogPresenter* presenter,
                  ProgressSink& progressSink);

    // Converts every fileset; false when the run stopped.
    bool ConvertAll();
    ConversionSummary Finish(bool stopped);

private:
    // Each returns false when the run stops.
    bool ConvertFileset(int number, const std::string& total);
    // A kind skipped (missing data file, skipped output) counts in `kindNumber` too.
    bool ConvertKind(int& kindNumber, const std::string& kindTotal);
    // Reads the metadata and converts the point data, the bar running 0..40; false
    // when either is missing (the user has been told).
    bool PointStep();
    // Writes the kind's records, the bar reaching 40 with the last of `lines`.
    void WriteRecords(int lines);

    // The report's notes; declared before the converter, which shows its dialogs
    // through it and tells it of every document it closes, up to its destruction.
    RunRecorder recorder;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    FilesetConverter converter;
    ProgressSink& progress;
    ProgressLabels labels;
    ConversionSummary summary;
};

// The run takes the folders without one trailing separator.
ConversionOptions RunOptions(const ConversionOptions& given)
{
    ConversionOptions options = given;
    options.dataFolder = WithoutTrailingSeparator(options.dataFolder);
    options.dtdFolder = WithoutTrailingSeparator(options.dtdFolder);
    options.xmlFolder = WithoutTrailingSeparator(options.xmlFolder);
    return options;
}

// The converter's three parallel queues, in the order of the map of chosen filesets.
struct FilesetQueues
{
    StringList codes;
    StringList names;
    StringList selections;
};

FilesetQueues Queues(const ConversionRequest& request)
{
    FilesetQueues queues;
    for (const auto& [code, name] : request.selectedFilesets) {
        queues.codes.push_back(code);
        queues.names.push_back(name);
        const auto selection = request.featureSelection.find(code);
        queues.selections.push_back(
            selection != request.featureSelection.end() ? selection->second : std::string());
    }
    return queues;
}

FilesetConverter MakeConverter(const ConversionRequest& request, DialogPresenter* presenter)
{
    FilesetQueues queues = Queues(request);
    return FilesetConverter(queues.codes, queues.names, queues.selections,
                            RunOptions(request.options), presenter);
}

ConversionRun::ConversionRun(const ConversionRequest& request, DialogPresenter* presenter,
                             ProgressSink& progressSink)
    : recorder(presenter, static_cast<int>(request.selectedFilesets.size())),
      converter(MakeConverter(request, &recorder)),
      progress(progressSink)
{
    converter.SetRecorder(&recorder);
}

bool ConversionRun::ConvertAll()
{
    progress.SetRange(0, progressRange);
    progress.SetPosition(0);
    progress.PumpOneMessage();
    const std::string total = std::to_string(converter.PendingFilesets());
    for (int number = 1; converter.NextFileset(); ++number) {
        if (!ConvertFileset(number, total)) {
            return false;
        }
    }
    return true;
}

bool ConversionRun::ConvertFileset(int number, const std::string& total)
{
    ++summary.filesets;
    recorder.FilesetStarted(converter.FilesetCode(), converter.FilesetName());
    labels.filesetCounter = Counter(number, total);
    labels.filesetName = ToUtf8(converter.FilesetName());
    progress.Refresh(labels);

    int kindNumber = 0;
    const std::string kindTotal = std::to_string(converter.PendingKinds().size());
    while (converter.NextKind()) {
        if (!ConvertKind(kindNumber, kindTotal)) {
            return false;
        }
    }
    return true;
}

bool ConversionRun::ConvertKind(int& kindNumber, const std::string& kindTotal)
{
    recorder.KindStarted(converter.KindCode(), converter.KindName());
    const int lines = converter.ReadDataFile();
    if (lines < -1) {
        recorder.KindStopped();
        return false;
    }
    if (lines == -1) {
        ++kindNumber;
        ++summary.kindsSkipped;
        recorder.KindSkipped(RunRecorder::Step::DataFile);
        return true;
    }
    if (converter.NeedsPointStep() && !PointStep()) {
        recorder.KindStopped();
        return false;
    }
    const int opened = converter.OpenOutput();
    if (opened == -1) {
        recorder.KindStopped();
        return false;
    }
    ++kindNumber;
    if (opened == 1) {
        ++summary.kindsSkipped;
        recorder.KindSkipped(RunRecorder::Step::Output);
        return true;
    }
    ++summary.kindsConverted;
    labels.featureCounter = Counter(kindNumber, kindTotal);
    labels.featureName = ToUtf8(converter.KindName());
    progress.Refresh(labels);
    progress.PumpOneMessage();
    progress.SetPosition(0);
    const long long recordsBefore = summary.records;
    WriteRecords(lines);
    // A write that failed, while writing or closing, stops the run.
    if (!converter.FinishKind()) {
        recorder.KindStopped();
        return false;
    }
    recorder.KindWritten(converter.OutputPath(), summary.records - recordsBefore);
    return true;
}

bool ConversionRun::PointStep()
{
    labels.featureCounter.clear();
    labels.featureName = "ポイントデータ設定";
    if (converter.KindCode() == "MH") {
        labels.featureName += "（メッシュ標高）";
    }
    progress.SetPosition(0);
    progress.Refresh(labels);
    if (converter.ReadMetadata() == 0) {
        return false;
    }
    const int points = converter.LoadPoints();
    if (points == 0) {
        return false;
    }
    int converted = 0;
    while (converted < points) {
        converter.ConvertNextPoint(converted);
        progress.SetPosition(
            static_cast<int>(static_cast<long long>(converted) * progressRange / points));
        progress.PumpOneMessage();
    }
    converter.ClosePointFile();
    return true;
}

void ConversionRun::WriteRecords(int lines)
{
    long long written = 0;
    while (converter.WriteNextRecord()) {
        written += progressRange;
        ++summary.records;
        progress.SetPosition(static_cast<int>(written / lines));
        progress.PumpOneMessage();
    }
}

ConversionSummary ConversionRun::Finish(bool stopped)
{
    converter.EndFileset();
    summary.stopped = stopped;
    summary.filesWritten = converter.WrittenFiles();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    summary.report = recorder.Finish(stopped, elapsed.count());
    return summary;
}

}

ConversionSummary RunConversion(const ConversionRequest& request, DialogPresenter* presenter,
                                ProgressSink& progress)
{
    ConversionRun run(request, presenter, progress);
    const bool completed = run.ConvertAll();
    return run.Finish(!completed);
}
