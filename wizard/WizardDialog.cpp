#include "wizard/WizardDialog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>
#include <utility>

#include "dialogs/Dialogs.h"
#include "engine/MapPreview.h"
#include "platform/FileSystem.h"
#include "platform/LargeBuffer.h"
#include "platform/Picture.h"
#include "text/Cp932.h"
#include "wizard/ControlIds.h"
#include "wizard/ReportText.h"
#include "wizard/WizardText.h"

namespace fs = std::filesystem;

namespace {

// The banner across the top of the window; the welcome picture sits right below it.
constexpr int bannerHeight = 44;  // pixels

// The completion state's report and its buttons, hidden until a run has ended.
constexpr std::array<int, 6> reportControls = {control::reportNotice, control::reportText,
                                               control::openOutputFolder, control::validate,
                                               control::previewChoice, control::savePreview};
// What a chosen map covers: the progress fields and the report.
constexpr std::array<int, 6> coveredByMap = {control::filesetName,    control::filesetCounter,
                                             control::featureName,    control::featureCounter,
                                             control::progressBar,    control::reportText};
// The run draws the maps of this many filesets at most: each holds 1.8 MB while the
// wizard is open.
constexpr int wizardMaps = 16;

// The items of the choice box 1094: the report, then each fileset drawn, by its name
// and code (the map is what it shows).
std::vector<std::string> MapChoices(const std::vector<const FilesetPreview*>& maps)
{
    std::vector<std::string> choices = {completionText::reportChoice};
    for (const FilesetPreview* map : maps) {
        choices.push_back(ToUtf8(map->name) + "（" + ToUtf8(map->code) + "）");
    }
    return choices;
}

// The controls of each page, its title image first. Page 6's completion title is
// hidden with the pages and shown only by the completion state.
const std::array<std::vector<int>, 7>& PageControls()
{
    using namespace control;
    static const std::array<std::vector<int>, 7> pages = {{
        {welcomeTitle, picture, pictureFrame, introText},
        {inputTitle, inputGroup, csvLabel, csvEdit, csvBrowse, dtdLabel, dtdEdit, dtdBrowse,
         dataLabel, dataEdit, dataBrowse, outputGroup, xmlLabel, xmlEdit, xmlBrowse},
        {filesetTitle, csvTitle, allFilesetGroup, allFilesetList, chosenFilesetGroup,
         chosenFilesetList, addFileset, removeFileset},
        {featureTitle, featureFilesetGroup, featureFilesetList, featureGroup, featureCheckList,
         selectAll, clearAll, folderGroup, inputFolderCaption, inputFolderLabel,
         outputFolderCaption, outputFolderLabel},
        {optionsTitle, outputUnitGroup, dtdGroup, charsetGroup, integratedFile, perKindFile,
         dtdCopy, noDtdCopy, utf8, shiftJis},
        {summaryTitle, summaryText, statusMessage},
        {progressTitle, statusMessage, filesetName, filesetCounter, featureName, featureCounter,
         progressBar},
    }};
    return pages;
}

}

bool HistoryRequested(int argc, const char* const* argv)
{
    std::string arguments;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            arguments += ' ';
        }
        arguments += argv[i];
    }
    return arguments.find("-r") != std::string::npos;
}

// Shows a run's progress in the members and on page 6. The window handles what is
// pending at most every `pumpInterval`, so that painting and Cancel keep working while
// the pump costs nothing noticeable per point or record.
class WizardDialog::RunProgress : public ProgressSink
{
public:
    explicit RunProgress(WizardDialog& owner) : wizard(owner) {}

    void SetRange(int low, int high) override { wizard.view.SetProgressRange(low, high); }

    void SetPosition(int position) override
    {
        // Called for every point and record; the bar moves at most 41 times a step.
        if (position != shownPosition) {
            shownPosition = position;
            wizard.view.SetProgressPosition(position);
        }
    }

    void Refresh(const ProgressLabels& labels) override
    {
        wizard.filesetNameLabel = labels.filesetName;
        wizard.filesetCounterLabel = labels.filesetCounter;
        wizard.featureNameLabel = labels.featureName;
        wizard.featureCounterLabel = labels.featureCounter;
        wizard.Push();
    }

    void PumpOneMessage() override
    {
        // The clock is read on every 32nd call only; the first call always pumps, so
        // Cancel is reachable from the start of the run.
        if (calls++ % clockEvery != 0) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (pumped && now - lastPump < pumpInterval) {
            return;
        }
        pumped = true;
        lastPump = now;
        wizard.view.ProcessPendingEvents();
    }

private:
    static constexpr std::chrono::milliseconds pumpInterval{30};
    static constexpr unsigned clockEvery = 32;

    WizardDialog& wizard;
    int shownPosition = -1;
    unsigned calls = 0;
    bool pumped = false;
    std::chrono::steady_clock::time_point lastPump;
};

WizardDialog::WizardDialog(WizardView& window, DialogPresenter& dialogPresenter,
                           const WizardServices& platform, bool historyRequested,
                           const fs::path& settingsFile)
    : view(window),
      presenter(dialogPresenter),
      services(platform),
      historyEnabled(historyRequested),
      settingsPath(settingsFile),
      settings(settingsFile),
      validator(MakeDtdValidator())
{
}

void WizardDialog::SetValidator(std::unique_ptr<DocumentValidator> checker)
{
    validator = std::move(checker);
}

void WizardDialog::Initialise()
{
    view.AddAboutItem(wizardText::aboutItem);
    // A missing settings file or text leaves the captions and the kinds empty, which
    // the pages show as they are: the results need no other answer.
    static_cast<void>(settings.ReadIniFile());
    static_cast<void>(settings.ReadTextFile());
    settings.LoadWizardSettings();

    std::vector<std::string> names;
    for (const std::string& name : settings.ObjectNames()) {
        names.push_back(ToUtf8(name));
    }
    view.SetItems(control::featureCheckList, names);
    view.SetCheckStyle(control::featureCheckList, CheckStyle::Plain);
    view.SetText(control::allFilesetGroup, ToUtf8(settings.GetCsvListCaption()));
    view.SetText(control::chosenFilesetGroup, ToUtf8(settings.GetSelListCaption()));
    view.SetText(control::featureFilesetGroup, ToUtf8(settings.GetSelListCaption()));
    view.SetText(control::next, wizardText::nextCaption);
    for (const int button : {control::help, control::back, control::next, control::cancel}) {
        view.Show(button, true);
    }
    ShowPage(0);
    view.SetDefaultButton(control::next);
}

void WizardDialog::ShowPage(int page)
{
    for (int shown = 0; shown < static_cast<int>(PageControls().size()); ++shown) {
        ShowPageControls(shown, false);
    }
    view.Show(control::completedTitle, false);
    for (const int id : reportControls) {
        view.Show(id, false);
    }
    view.Show(control::previewPicture, false);
    switch (page) {
    case 0:
        EnterWelcomePage();
        break;
    case 1:
        EnterInputPage();
        break;
    case 2:
        EnterFilesetPage();
        break;
    case 3:
        EnterFeaturePage();
        break;
    case 4:
        EnterOptionsPage();
        break;
    case 5:
        EnterSummaryPage();
        break;
    case 6:
        EnterProgressPage();
        break;
    default:
        view.EndDialog();
        break;
    }
    if (page >= 0 && page < static_cast<int>(PageControls().size())) {
        ShowPageControls(page, true);
    }
    Push();
}

void WizardDialog::ShowPageControls(int page, bool shown)
{
    for (const int id : PageControls()[static_cast<std::size_t>(page)]) {
        view.Show(id, shown);
    }
}

void WizardDialog::OnNext()
{
    // Next is disabled during the run; a click queued before that must not start a
    // second run inside the first.
    if (running) {
        return;
    }
    enteredForward = true;
    if (pageIndex == 1) {
        if (!ValidateInputPaths()) {
            --pageIndex;  // the entry routine of page 1 runs again
        } else if (historyEnabled) {
            WriteHistory();
        }
    }
    ShowPage(++pageIndex);
    if (pageIndex == 6) {
        Run();
    }
}

void WizardDialog::OnBack()
{
    if (running || pageIndex <= 0 || pageIndex >= 6) {
        return;
    }
    enteredForward = false;
    ShowPage(--pageIndex);
}

void WizardDialog::OnCancel()
{
    ConfirmDialog confirm(&presenter);
    if (confirm.Ask(MessageId::QuitProgram) == ConfirmDialog::Answer::Ok) {
        services.processExit.Exit(0);
    }
}

void WizardDialog::OnHelp()
{
    // Page k opens help page k + 1; page_0 is never opened from here.
    const std::size_t help = static_cast<std::size_t>(pageIndex) + 1;
    if (running || pageIndex < 0 || help >= settings.HelpPaths().size()) {
        return;
    }
    const fs::path& document = settings.HelpPaths()[help];
    if (PathExists(document)) {
        services.opener.Open(document);
    }
}

void WizardDialog::OnAbout()
{
    AboutDialog about(&presenter);
    about.DoModal();
}

void WizardDialog::OnIntroTextFocused()
{
    view.Focus(control::next);
}

void WizardDialog::EnterWelcomePage()
{
    // Loaded at most once; a file that cannot be decoded counts as missing and leaves
    // the picture area as it was.
    if (!pictureLoaded && PathExists(settings.BitmapPath())) {
        if (const auto size = view.LoadPicture(control::picture, settings.BitmapPath())) {
            pictureLoaded = true;
            view.Place(control::picture, 0, bannerHeight, size->width, size->height);
        }
    }
    introText.clear();
    for (const std::string& line : settings.IntroLines()) {
        AppendUtf8(line, introText);
        introText += "\r\n";
    }
    Push();
    view.Enable(control::back, false);
    view.Enable(control::next, true);
    view.SetDefaultButton(control::next);
    view.Focus(control::next);
}

void WizardDialog::Push()
{
    const std::array<std::pair<int, const std::string*>, 12> texts = {{
        {control::csvTitle, &csvTitle},
        {control::inputFolderLabel, &inputFolderLabel},
        {control::outputFolderLabel, &outputFolderLabel},
        {control::summaryText, &summaryText},
        {control::statusMessage, &statusMessage},
        {control::filesetName, &filesetNameLabel},
        {control::featureName, &featureNameLabel},
        {control::filesetCounter, &filesetCounterLabel},
        {control::featureCounter, &featureCounterLabel},
        {control::introText, &introText},
        {control::reportNotice, &reportNotice},
        {control::reportText, &reportText},
    }};
    const std::array<std::pair<int, const fs::path*>, 4> paths = {{
        {control::csvEdit, &csvPath},
        {control::dataEdit, &dataFolder},
        {control::dtdEdit, &dtdFolder},
        {control::xmlEdit, &xmlFolder},
    }};
    auto set = [this](int id, const std::string& text) {
        const auto pushed = pushedTexts.find(id);
        if (pushed != pushedTexts.end() && pushed->second == text) {
            return false;
        }
        pushedTexts[id] = text;
        view.SetText(id, text);
        return true;
    };
    bool pathEdited = false;
    for (const auto& [id, path] : paths) {
        pathEdited |= set(id, PathText(*path));
    }
    for (const auto& [id, text] : texts) {
        set(id, *text);
    }
    if (pathEdited) {
        OnPathEdited();
    }
}

ConversionRequest WizardDialog::Request() const
{
    ConversionRequest request;
    request.options.dataFolder = dataFolder;
    request.options.dtdFolder = dtdFolder;
    request.options.xmlFolder = xmlFolder;
    request.options.shiftJisOutput = shiftJisOutput;
    request.options.integratedOutput = integratedOutput;
    request.options.skipDtdCopy = skipDtdCopy;
    request.options.settingsFile = settingsPath;
    request.options.previewFilesets = wizardMaps;
    // Big kinds are composed on every processor, up to eight, so that a machine of many
    // cores does not start dozens of threads for one file.
    request.options.composeThreads =
        static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 8U));
    request.selectedFilesets = selectedFilesets;
    request.featureSelection = featureSelection;
    return request;
}

void WizardDialog::EnterProgressPage()
{
    for (const int button : {control::back, control::next, control::help}) {
        view.Enable(button, false);
    }
    view.Enable(control::cancel, true);
    view.Focus(control::cancel);
    view.SetDefaultButton(control::cancel);
    view.SetText(control::next, wizardText::runCaption);
    statusMessage = wizardText::running;
    Push();
}

void WizardDialog::Run()
{
    RunProgress progress(*this);
    running = true;
    ConversionSummary summary = RunConversion(Request(), &presenter, progress);
    // The run's large buffers were kept for reuse; the window now waits for the user.
    ReleaseSpareLargeBlocks();
    running = false;
    lastReport = std::move(summary.report);
    maps.clear();
    for (const FilesetEntry& fileset : lastReport.filesets) {
        if (fileset.preview != nullptr) {
            maps.push_back(fileset.preview.get());
        }
    }
    validation.clear();
    ShowCompletion(summary.stopped);
}

void WizardDialog::ShowCompletion(bool stopped)
{
    view.Show(control::progressTitle, false);
    view.Show(control::completedTitle, true);
    view.Enable(control::back, false);
    view.Enable(control::next, true);
    view.Enable(control::help, true);
    view.Enable(control::cancel, false);
    // Greyed, they keep the last fileset and kind the run reached.
    for (const int field : {control::featureName, control::featureCounter, control::filesetName,
                            control::filesetCounter, control::progressBar}) {
        view.Enable(field, false);
    }
    view.SetText(control::next, wizardText::finishCaption);
    view.Focus(control::next);
    view.SetDefaultButton(control::next);
    statusMessage = stopped ? wizardText::stopped : wizardText::completed;
    ShowReport();
    Push();
    view.Beep();
}

void WizardDialog::ShowReport()
{
    reportNotice = ReportNotice(lastReport);
    reportText = CompletionReport(lastReport);
    if (!validation.empty()) {
        bool allValid = true;
        for (const DocumentValidity& result : validation) {
            allValid &= result.validity == Validity::Valid;
        }
        if (!allValid) {
            reportNotice = completionText::notValid;
        } else if (reportNotice.empty()) {
            reportNotice = completionText::allValid;
        }
        reportText += "\r\n" + ValidationText(validation, xmlFolder);
    } else if (validator == nullptr) {
        reportText += "\r\n" + std::string(completionText::noValidation) + "\r\n";
    }
    if (lastReport.filesets.size() > maps.size() && !maps.empty()) {
        reportText += "\r\n地図は最初の " + std::to_string(maps.size()) +
                      " ファイルセットのものだけを描きました。\r\n";
    }
    reportNoticeOfReport = reportNotice;
    view.SetText(control::openOutputFolder, completionText::openFolder);
    view.SetText(control::validate, completionText::validate);
    view.SetText(control::savePreview, completionText::saveMap);
    view.SetChoices(control::previewChoice, MapChoices(maps), 0);
    chosenMap = 0;
    for (const int id : reportControls) {
        view.Show(id, true);
    }
    ShowChosenMap();
    EnableCompletionButtons(true);
}

void WizardDialog::ShowChosenMap()
{
    const bool mapShown = chosenMap != 0;
    for (const int id : coveredByMap) {
        view.Show(id, !mapShown);
    }
    view.SetPicture(control::previewPicture, mapShown ? &maps[chosenMap - 1]->picture : nullptr);
    view.Show(control::previewPicture, mapShown);
}

void WizardDialog::OnPreviewChosen(int index)
{
    if (running || pageIndex != 6 || index < 0 || static_cast<std::size_t>(index) > maps.size()) {
        return;
    }
    chosenMap = static_cast<std::size_t>(index);
    reportNotice = chosenMap == 0 ? reportNoticeOfReport : maps[chosenMap - 1]->description;
    ShowChosenMap();
    EnableCompletionButtons(true);
    Push();
}

void WizardDialog::OnSavePreview()
{
    if (running || pageIndex != 6 || chosenMap == 0) {
        return;
    }
    const FilesetPreview& map = *maps[chosenMap - 1];
    fs::path suggested = FsName(map.code);
    suggested += ".png";
    const std::optional<fs::path> file = services.picker.ChooseSaveFile(
        {completionText::pngFiles, "*.png"}, StartFolder(xmlFolder), suggested);
    if (!file) {
        return;
    }
    const std::string failure = WritePng(*file, map.picture);
    reportNotice = failure.empty() ? completionText::mapSaved + PathText(*file)
                                   : completionText::mapNotSaved + failure;
    Push();
}

void WizardDialog::EnableCompletionButtons(bool enabled)
{
    view.Enable(control::next, enabled);
    view.Enable(control::help, enabled);
    view.Enable(control::openOutputFolder, enabled && IsFolder(xmlFolder));
    view.Enable(control::validate,
                enabled && validator != nullptr && !lastReport.documents.empty());
    view.Enable(control::previewChoice, enabled && !maps.empty());
    view.Enable(control::savePreview, enabled && chosenMap != 0);
}

void WizardDialog::OnOpenOutputFolder()
{
    if (running || pageIndex != 6 || !IsFolder(xmlFolder)) {
        return;
    }
    services.opener.Open(xmlFolder);
}

void WizardDialog::OnValidate()
{
    if (running || pageIndex != 6 || validator == nullptr || lastReport.documents.empty()) {
        return;
    }
    // As during a run, only the quit question (Escape, the close box) and the about item
    // can act meanwhile.
    running = true;
    // The bar runs where a map may lie: the report is shown.
    chosenMap = 0;
    view.SetChoices(control::previewChoice, MapChoices(maps), 0);
    ShowChosenMap();
    EnableCompletionButtons(false);
    view.Enable(control::progressBar, true);
    view.SetProgressRange(0, 40);
    view.SetProgressPosition(0);
    reportNotice = completionText::validating;
    Push();
    validation.clear();
    const std::size_t count = lastReport.documents.size();
    for (std::size_t i = 0; i < count; ++i) {
        validation.push_back(validator->Validate(lastReport.documents[i].path, dtdFolder));
        view.SetProgressPosition(static_cast<int>((i + 1) * 40 / count));
        view.ProcessPendingEvents();
    }
    running = false;
    view.Enable(control::progressBar, false);
    ShowReport();
    view.Focus(control::next);
    view.SetDefaultButton(control::next);
    Push();
}
