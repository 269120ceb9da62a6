#include "engine/Conversion.h"

#include "text/Cp932.h"
#include "platform/FileSystem.h"
#include "engine/FilesetConverter.h"

namespace {

// The progress bar's range within one point-data step or one kind.
constexpr int progressRange = 40;

std::string Counter(int number, const std::string& total)
{
    return "(" + std::to_string(number) + "/" + total + ")";
}

}

ConversionSummary RunConversion(const ConversionRequest& request, DialogPresenter* presenter,
                                ProgressSink& progress)
{
    ConversionOptions options = request.options;
    options.dataFolder = WithoutTrailingSeparator(options.dataFolder);
    options.dtdFolder = WithoutTrailingSeparator(options.dtdFolder);
    options.xmlFolder = WithoutTrailingSeparator(options.xmlFolder);

    StringList codes;
    StringList names;
    StringList selections;
    for (const auto& [code, name] : request.selectedFilesets) {
        codes.push_back(code);
        names.push_back(name);
        const auto selection = request.featureSelection.find(code);
        selections.push_back(selection != request.featureSelection.end() ? selection->second
                                                                          : std::string());
    }

    ConversionSummary summary;
    FilesetConverter converter(codes, names, selections, options, presenter);
    ProgressLabels labels;
    progress.SetRange(0, progressRange);
    progress.SetPosition(0);
    progress.PumpOneMessage();

    const std::string filesetTotal = std::to_string(codes.size());
    int filesetNumber = 0;
    bool stop = false;
    while (!stop && converter.NextFileset()) {
        ++filesetNumber;
        ++summary.filesets;
        labels.filesetCounter = Counter(filesetNumber, filesetTotal);
        labels.filesetName = ToUtf8(converter.FilesetName());
        progress.Refresh(labels);

        int kindNumber = 0;
        const std::string kindTotal = std::to_string(converter.PendingKinds().size());
        while (converter.NextKind()) {
            const int lines = converter.ReadDataFile();
            if (lines == -1) {
                ++kindNumber;
                ++summary.kindsSkipped;
                continue;
            }
            if (lines < -1) {
                stop = true;
                break;
            }
            if (converter.NeedsPointStep()) {
                labels.featureCounter.clear();
                labels.featureName = "ポイントデータ設定";
                if (converter.KindCode() == "MH") {
                    labels.featureName += "（メッシュ標高）";
                }
                progress.SetPosition(0);
                progress.Refresh(labels);
                if (converter.ReadMetadata() == 0) {
                    stop = true;
                    break;
                }
                int converted = 0;
                const int points = converter.LoadPoints();
                if (points == 0) {
                    stop = true;
                    break;
                }
                while (converted < points) {
                    converter.ConvertNextPoint(converted);
                    progress.SetPosition(static_cast<int>(
                        static_cast<long long>(converted) * progressRange / points));
                    progress.PumpOneMessage();
                }
                converter.ClosePointFile();
            }
            const int opened = converter.OpenOutput();
            if (opened == -1) {
                stop = true;
                break;
            }
            if (opened == 1) {
                ++kindNumber;
                ++summary.kindsSkipped;
                continue;
            }
            ++kindNumber;
            ++summary.kindsConverted;
            labels.featureCounter = Counter(kindNumber, kindTotal);
            labels.featureName = ToUtf8(converter.KindName());
            progress.Refresh(labels);
            progress.PumpOneMessage();
            progress.SetPosition(0);
            long long written = 0;
            while (converter.WriteNextRecord()) {
                written += progressRange;
                ++summary.records;
                progress.SetPosition(static_cast<int>(written / lines));
                progress.PumpOneMessage();
            }
            if (!converter.FinishKind()) {
                stop = true;
                break;
            }
        }
    }
    summary.stopped = stop;
    converter.EndFileset();
    summary.filesWritten = converter.WrittenFiles();
    return summary;
}
