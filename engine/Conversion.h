#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "engine/ConversionOptions.h"
#include "engine/RunReport.h"

class DialogPresenter;

// What the wizard hands over to a conversion run.
struct ConversionRequest
{
    ConversionOptions options;
    // Fileset code to name, and fileset code to its chosen kinds. Codes are code page
    // 932 bytes; a map keeps them in ascending byte order, the order in which they are
    // converted. A fileset without a selection converts no kind.
    std::map<std::string, std::string> selectedFilesets;
    std::map<std::string, FeatureSelection> featureSelection;
};

// The texts of the four labels of the progress page, in UTF-8.
struct ProgressLabels
{
    std::string filesetName;
    std::string filesetCounter;
    std::string featureName;
    std::string featureCounter;
};

// How a run shows its progress; the GUI, ordevik-batch and the tests each implement it.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPosition(int position) = 0;
    // Shows the labels as they are now.
    virtual void Refresh(const ProgressLabels& labels) = 0;
    // Lets at most one pending window message through; never waits.
    virtual void PumpOneMessage() = 0;
};

// A progress sink that shows nothing.
class SilentProgress : public ProgressSink
{
public:
    void SetRange(int, int) override {}
    void SetPosition(int) override {}
    void Refresh(const ProgressLabels&) override {}
    void PumpOneMessage() override {}
};

struct ConversionSummary
{
    bool stopped = false;      // a quit answer or a failure ended the run
    int filesets = 0;          // filesets started
    int kindsConverted = 0;    // kinds whose output was opened
    int kindsSkipped = 0;      // kinds skipped (missing data file, skipped output)
    long long records = 0;     // record lines written
    std::set<std::filesystem::path> filesWritten;
    RunReport report;          // what became of each fileset and kind, in run order
};

// Converts the chosen filesets, in ascending order of their codes, kind by kind, with
// the progress bar running 0..40 within each point-data step and each kind. Dialogs
// reach the user through `presenter`. Stops at the first quit answer or failure.
//
// Each call builds and owns everything it converts with (settings, point table,
// output files), so calls on different threads share nothing but the input files
// they read; filesets converted side by side must write to different folders, as
// each fileset writes only its own. `presenter` may be null: every dialog then
// answers as one that cannot be shown, which skips a missing data file and stops at
// an existing output file.
// `presenter` and `progress` are called on the calling thread, and only during the
// call.
ConversionSummary RunConversion(const ConversionRequest& request, DialogPresenter* presenter,
                                ProgressSink& progress);
