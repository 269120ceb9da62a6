#include "engine/Conversion.h"

#include <chrono>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "engine/FilesetConverter.h"
#include "engine/MapPreview.h"
#include "platform/Background.h"
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
    // The same for a kind composed on several threads.
    void WriteSpreadRecords(int lines);
    // Hands the fileset's map, if one is drawn, to the report.
    void FinishMap();

    // The report's notes; declared before the converter, which shows its dialogs
    // through it and tells it of every document it closes, up to its destruction.
    RunRecorder recorder;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    FilesetConverter converter;
    ProgressSink& progress;
    ProgressLabels labels;
    ConversionSummary summary;
    int mapsLeft;                   // filesets still to be drawn
    std::optional<MapPreview> map;  // the current fileset's, while it is drawn
    // Draws the map while the records are written, with up to 16 samples waiting (1 MB
    // or so); declared last, so that it has ended before the map and the point table go.
    BackgroundWorker drawer{16};
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

// The chosen filesets in the order of their map, each with its selection.
std::vector<FilesetToConvert> FilesetsOf(const ConversionRequest& request)
{
    std::vector<FilesetToConvert> filesets;
    for (const auto& [code, name] : request.selectedFilesets) {
        const auto selection = request.featureSelection.find(code);
        filesets.push_back({code, name,
                            selection != request.featureSelection.end() ? selection->second
                                                                        : FeatureSelection()});
    }
    return filesets;
}

ConversionRun::ConversionRun(const ConversionRequest& request, DialogPresenter* presenter,
                             ProgressSink& progressSink)
    : recorder(presenter, static_cast<int>(request.selectedFilesets.size())),
      converter(FilesetsOf(request), RunOptions(request.options), &recorder),
      progress(progressSink), mapsLeft(request.options.previewFilesets)
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

    if (mapsLeft > 0) {
        --mapsLeft;
        map.emplace(converter.Reader());
    }
    int kindNumber = 0;
    const std::string kindTotal = std::to_string(converter.PendingKinds().size());
    bool goOn = true;
    while (goOn && converter.NextKind()) {
        goOn = ConvertKind(kindNumber, kindTotal);
    }
    FinishMap();
    return goOn;
}

void ConversionRun::FinishMap()
{
    if (map) {
        drawer.Wait();
        recorder.FilesetDrawn(std::make_shared<const FilesetPreview>(
            map->Finish(converter.FilesetCode(), converter.FilesetName())));
        map.reset();
    }
}

bool ConversionRun::ConvertKind(int& kindNumber, const std::string& kindTotal)
{
    recorder.KindStarted(converter.KindCode(), converter.KindName());
    switch (converter.ReadDataFile()) {
    case KindStep::StopRun:
        recorder.KindStopped();
        return false;
    case KindStep::SkipKind:
        ++kindNumber;
        ++summary.kindsSkipped;
        recorder.KindSkipped(RunRecorder::Step::DataFile);
        return true;
    case KindStep::GoOn:
        break;
    }
    if (converter.NeedsPointStep() && !PointStep()) {
        recorder.KindStopped();
        return false;
    }
    const KindStep opened = converter.OpenOutput();
    if (opened == KindStep::StopRun) {
        recorder.KindStopped();
        return false;
    }
    ++kindNumber;
    if (opened == KindStep::SkipKind) {
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
    WriteRecords(converter.RecordCount());
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
    if (map) {
        drawer.Wait();
        map->ForgetPoints();
    }
    labels.featureCounter.clear();
    labels.featureName = "ポイントデータ設定";
    if (converter.KindCode() == meshKind) {
        labels.featureName += "（メッシュ標高）";
    }
    progress.SetPosition(0);
    progress.Refresh(labels);
    if (!converter.ReadMetadata()) {
        return false;
    }
    const std::optional<int> loaded = converter.LoadPoints();
    if (!loaded) {
        return false;
    }
    const int points = *loaded;
    int converted = 0;
    while (converted < points) {
        converter.ConvertNextPoint(converted);
        progress.SetPosition(
            static_cast<int>(static_cast<long long>(converted) * progressRange / points));
        progress.PumpOneMessage();
        if (converted == 1) {
            // The first point has fixed the table's slot size: the rest may go side by
            // side.
            converter.ConvertRestSideBySide(points, converted, [&](std::size_t done) {
                progress.SetPosition(
                    static_cast<int>(static_cast<long long>(done) * progressRange / points));
                progress.PumpOneMessage();
            });
        }
    }
    converter.ClosePointFile();
    if (map && converter.KindCode() != meshKind) {
        map->TakePoints(converter.Reader());
    }
    return true;
}

void ConversionRun::WriteRecords(int lines)
{
    // The map is drawn on another thread from a copy of the kind's chosen records, while
    // this kind and the next ones are written; the point table stays until PointStep
    // or FinishMap has waited for the drawing.
    if (map) {
        if (std::optional<RecordSample> sample =
                map->SampleRecords(converter.KindCode(), converter.PendingRecords())) {
            drawer.Start([this, sample = std::move(*sample)] { map->DrawSample(sample); });
        }
    }
    // A write that failed has been reported; FinishKind then stops the run.
    if (converter.SpreadsRecords()) {
        WriteSpreadRecords(lines);
        return;
    }
    long long written = 0;
    while (converter.WriteNextRecord() == RecordStep::Written) {
        written += progressRange;
        ++summary.records;
        progress.SetPosition(static_cast<int>(written / lines));
        progress.PumpOneMessage();
    }
}

void ConversionRun::WriteSpreadRecords(int lines)
{
    const std::size_t written = converter.WriteSpreadRecords([&](std::size_t done) {
        progress.SetPosition(
            static_cast<int>(static_cast<long long>(done) * progressRange / lines));
        progress.PumpOneMessage();
    });
    summary.records += static_cast<long long>(written);
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
