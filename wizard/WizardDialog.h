#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Conversion.h"
#include "engine/DtdValidator.h"
#include "readers/SettingsFile.h"
#include "text/EngineObject.h"
#include "wizard/WizardServices.h"
#include "wizard/WizardView.h"

class DialogPresenter;

// Whether the command line asks for the path history: the arguments after the program
// name, joined by single spaces, contain "-r" (case-sensitive, anywhere, so a path
// such as /data/x-rays counts too).
bool HistoryRequested(int argc, const char* const* argv);

// The wizard's state and rules: seven pages over `pageIndex`, from the welcome page
// through the input paths, the filesets, the feature kinds per fileset, the output
// options and the summary to the conversion run and its completion. Everything it
// shows goes through a WizardView; the window reports the user's actions by calling
// the On... operations, on the one interface thread.
//
// The members are the truth and the window shows them: every control the user cannot
// type into gets its text from a push of the members, and list rows are identified by
// their index in the order the wizard filled them, never by their displayed text.
// Paths are native paths; fileset codes, names and feature display names stay code
// page 932 bytes and become UTF-8 where they go to the window or the history.
//
// The wizard keeps references to the window, the dialog presenter and the services;
// all of them must outlive it. It owns its SettingsFile and every member below.
class WizardDialog : public EngineObject
{
public:
    // `settingsFile` is read for the captions, the feature kinds and the introduction
    // text (the text, picture and help pages lie beside it under its title) and handed
    // to every conversion run. `historyRequested` switches the path history on.
    WizardDialog(WizardView& window, DialogPresenter& dialogPresenter,
                 const WizardServices& platform, bool historyRequested,
                 const std::filesystem::path& settingsFile = SettingsFile::DefaultPath());
    WizardDialog(const WizardDialog&) = delete;
    WizardDialog& operator=(const WizardDialog&) = delete;

    // Reads the settings and the introduction text, fills the feature check list and
    // the list captions, and shows the welcome page with Next as the default button.
    void Initialise();

    // What the window reports. The Cancel button, Escape and the close box all call
    // OnCancel; double-click and Space in list 1022 call OnAdd, in list 1029 OnRemove.
    void OnNext();
    void OnBack();
    void OnCancel();
    void OnHelp();
    void OnAbout();
    void OnIntroTextFocused();
    void OnBrowseCsv();
    void OnBrowseDtd();
    void OnBrowseData();
    void OnBrowseXml();
    void OnAdd();
    void OnRemove();
    // List 1027 now selects `row` (its index in the fill order), or no row (-1), for
    // any reason: a click, any key that moves the selection, or a refill.
    void OnFeatureFilesetChanged(int row);
    // The user toggled item `item` of the check list 1025 to `checked`.
    void OnFeatureToggled(int item, bool checked);
    void OnSelectAll();
    void OnClearAll();
    void OnRadioClicked(int id);
    // The completion page's buttons: the XML folder in the file manager, and the check of
    // the documents written against their DTD.
    void OnOpenOutputFolder();
    void OnValidate();
    // The user chose item `index` of the choice box 1094: 0 the report, 1 and on the
    // map of the report's filesets that have one, in run order.
    void OnPreviewChosen(int index);
    // Saves the map shown as a PNG file, where the user chooses.
    void OnSavePreview();

    // The check the validate button runs; null: the build has none, and the page says
    // so. By default this build's (MakeDtdValidator).
    void SetValidator(std::unique_ptr<DocumentValidator> checker);

    // Hides every page, runs the entry routine of page `page` and shows it; any number
    // outside 0..6 ends the dialog. Pushes the members last.
    void ShowPage(int page);

    // The summary of page 5 for the members as they are: UTF-8, lines ended by CR LF.
    std::string BuildSummary() const;

    // The members the pages fill, as the next pages and the run read them.
    int PageIndex() const { return pageIndex; }
    const std::filesystem::path& CsvPath() const { return csvPath; }
    const std::filesystem::path& DataFolder() const { return dataFolder; }
    const std::filesystem::path& DtdFolder() const { return dtdFolder; }
    const std::filesystem::path& XmlFolder() const { return xmlFolder; }
    const std::map<std::string, std::string>& AllFilesets() const { return allFilesets; }
    const std::map<std::string, std::string>& SelectedFilesets() const { return selectedFilesets; }
    const std::map<std::string, ::FeatureSelection>& FeatureSelection() const
    {
        return featureSelection;
    }
    // The request a run started now would get.
    ConversionRequest Request() const;
    // What the last run did; empty before the first.
    const RunReport& LastReport() const { return lastReport; }

private:
    class RunProgress;

    // The page entry routines.
    void EnterWelcomePage();
    void EnterInputPage();
    void EnterFilesetPage();
    void EnterFeaturePage();
    void EnterOptionsPage();
    void EnterSummaryPage();
    void EnterProgressPage();
    void ShowPageControls(int page, bool shown);

    // Copies the members into the controls bound to them; only changed texts are set.
    void Push();
    // The rule of a changed path edit, which acts only while page 1 is shown.
    void OnPathEdited();
    bool AllPathsSet() const;
    // Strips the folders of one trailing separator, checks the four paths and offers to
    // create a missing XML folder; false (the user has been told) when page 1 must stay.
    bool ValidateInputPaths();
    bool ValidateXmlFolder();
    void ReadHistory();
    void WriteHistory();
    void BrowseFolder(std::filesystem::path& folder, bool nextBecomesDefault);

    void LoadFilesetList();
    // Shows the entries of `filesets` in ascending byte order of their codes and
    // remembers the codes by row.
    void FillListFromMap(const std::map<std::string, std::string>& filesets, int listId);
    std::vector<std::string>& RowCodes(int listId);
    std::vector<std::string> SelectedCodes(int listId);

    // The check list's modes: the kinds of one fileset, open to the user's clicks, or
    // idle (indeterminate and disabled) while no fileset is chosen.
    void ShowFeatureChecks(const std::string& code);
    void ShowFeaturesIdle();
    void ShowChecks(const std::string& selection);
    // Stores and shows `digit` for every kind of the current fileset.
    void SetAllFeatures(char digit);
    // The selection string of `code` with one "0"/"1" per feature kind.
    ::FeatureSelection SelectionOf(const std::string& code) const;
    std::size_t FeatureCount() const;

    void ShowOptions();
    void Run();
    void ShowCompletion(bool stopped);
    // The report's controls on page 6, for the run just ended; the report is chosen.
    void ShowReport();
    // Shows the map chosen in box 1094 over the progress fields and the report, or,
    // for the report, those again.
    void ShowChosenMap();
    // Enables the buttons of the completion state that a validation disables.
    void EnableCompletionButtons(bool enabled);

    WizardView& view;
    DialogPresenter& presenter;
    WizardServices services;
    const bool historyEnabled;
    const std::filesystem::path settingsPath;
    SettingsFile settings;

    int pageIndex = 0;
    // Set by every Next and Back before the new page's entry routine runs.
    bool enteredForward = false;
    // Inside the conversion run, when only Cancel and the about item may act.
    bool running = false;
    bool pictureLoaded = false;

    // Page 1. From page 2 on the folders hold no trailing separator, except a root.
    std::filesystem::path csvPath;
    std::filesystem::path dataFolder;
    std::filesystem::path dtdFolder;
    std::filesystem::path xmlFolder;

    // The texts of the read-only controls bound to members (UTF-8).
    std::string introText;
    std::string csvTitle;
    std::string inputFolderLabel;
    std::string outputFolderLabel;
    std::string summaryText;
    std::string statusMessage;
    std::string filesetNameLabel;
    std::string filesetCounterLabel;
    std::string featureNameLabel;
    std::string featureCounterLabel;
    std::string reportNotice;
    std::string reportText;
    // The notice of the report, shown again when the report is chosen after a map.
    std::string reportNoticeOfReport;
    // What the last push set, by control id; a text not yet pushed is absent.
    std::map<int, std::string> pushedTexts;

    // Code to name (page 2) and code to selection string (page 3), code page 932.
    std::map<std::string, std::string> allFilesets;
    std::map<std::string, std::string> selectedFilesets;
    std::map<std::string, ::FeatureSelection> featureSelection;
    // The codes of the rows of lists 1022, 1029 and 1027, in row order.
    std::vector<std::string> allRows;
    std::vector<std::string> chosenRows;
    std::vector<std::string> featureRows;
    // The fileset whose kinds the check list shows; none while the list is idle.
    std::optional<std::string> currentFileset;

    // Page 4; the radio buttons show them.
    bool integratedOutput = true;
    bool skipDtdCopy = false;
    bool shiftJisOutput = false;

    // Page 6: the last run's report and the check of its documents.
    RunReport lastReport;
    // The maps of its filesets that have one, in run order; item i + 1 of box 1094
    // shows maps[i], item 0 the report.
    std::vector<const FilesetPreview*> maps;
    std::size_t chosenMap = 0;
    std::unique_ptr<DocumentValidator> validator;
    std::vector<DocumentValidity> validation;
};
