// The entry routines and handlers of pages 1 to 5 of WizardDialog.

#include "wizard/WizardDialog.h"

#include <algorithm>

#include "dialogs/Dialogs.h"
#include "engine/InputCheck.h"
#include "platform/FileSystem.h"
#include "readers/FilesetList.h"
#include "text/Cp932.h"
#include "wizard/ControlIds.h"
#include "wizard/WizardText.h"

namespace fs = std::filesystem;

// Page 1: input paths.

void WizardDialog::EnterInputPage()
{
    view.Enable(control::back, true);
    view.Enable(control::next, AllPathsSet());
    view.SetText(control::next, wizardText::nextCaption);
    if (historyEnabled) {
        ReadHistory();
    }
    Push();
    view.Focus(control::csvBrowse);
    view.SetDefaultButton(control::csvBrowse);
}

bool WizardDialog::AllPathsSet() const
{
    return !csvPath.empty() && !dtdFolder.empty() && !dataFolder.empty() && !xmlFolder.empty();
}

void WizardDialog::OnPathEdited()
{
    // A push on another page may change a path too (the validation strips a trailing
    // separator before page 2 is shown); Next must not follow the paths there.
    if (pageIndex != 1) {
        return;
    }
    const bool ready = AllPathsSet();
    view.Enable(control::next, ready);
    if (ready) {
        view.Focus(control::next);
    }
}

void WizardDialog::OnBrowseCsv()
{
    const std::optional<fs::path> chosen = services.picker.ChooseFile(
        {{wizardText::csvFilterLabel, "*.csv"}, {wizardText::allFilesFilterLabel, "*"}},
        StartFolder(csvPath));
    if (!chosen) {
        return;
    }
    csvPath = *chosen;
    // A data set copied from Windows may name them "DTD" and "Data".
    const fs::path folder = csvPath.parent_path();
    dtdFolder = FindInputEntry(folder / "dtd");
    dataFolder = FindInputEntry(folder / "data");
    Push();
    if (AllPathsSet()) {
        view.Enable(control::next, true);
        view.Focus(control::next);
    } else {
        view.Enable(control::next, false);
        view.Focus(control::xmlBrowse);
    }
}

void WizardDialog::OnBrowseDtd()
{
    BrowseFolder(dtdFolder, false);
}

void WizardDialog::OnBrowseData()
{
    BrowseFolder(dataFolder, false);
}

void WizardDialog::OnBrowseXml()
{
    BrowseFolder(xmlFolder, true);
}

void WizardDialog::BrowseFolder(fs::path& folder, bool nextBecomesDefault)
{
    std::optional<fs::path> chosen =
        services.picker.ChooseFolder(wizardText::folderPickerTitle, StartFolder(folder));
    if (!chosen) {
        return;
    }
    folder = std::move(*chosen);
    Push();
    if (!AllPathsSet()) {
        view.Enable(control::next, false);
        return;
    }
    view.Enable(control::next, true);
    view.Focus(control::next);
    if (nextBecomesDefault) {
        view.SetDefaultButton(control::next);
    }
}

bool WizardDialog::ValidateInputPaths()
{
    dataFolder = WithoutTrailingSeparator(dataFolder);
    dtdFolder = WithoutTrailingSeparator(dtdFolder);
    xmlFolder = WithoutTrailingSeparator(xmlFolder);
    if (const std::optional<InputProblem> problem =
            CheckRunInputs(csvPath, dataFolder, dtdFolder)) {
        WarningDialog(&presenter).Show(problem->message);
        return false;
    }
    return ValidateXmlFolder();
}

bool WizardDialog::ValidateXmlFolder()
{
    if (IsFolder(xmlFolder)) {
        return true;
    }
    // A file in its place cannot become a folder, so there is nothing to ask.
    if (!PathExists(xmlFolder)) {
        ConfirmDialog confirm(&presenter);
        if (confirm.Ask(MessageId::CreateXmlFolder) != ConfirmDialog::Answer::Ok) {
            return false;
        }
        if (CreateFolder(xmlFolder)) {
            return true;
        }
    }
    WarningDialog warning(&presenter);
    warning.Show(MessageId::XmlFolderNotCreated);
    return false;
}

void WizardDialog::ReadHistory()
{
    auto fill = [this](fs::path& path, const char* key) {
        if (path.empty()) {
            path = PathFromText(services.history.Read(wizardText::historySection, key));
        }
    };
    fill(csvPath, wizardText::csvHistory);
    fill(dtdFolder, wizardText::dtdHistory);
    fill(dataFolder, wizardText::dataHistory);
}

void WizardDialog::WriteHistory()
{
    HistoryStore& history = services.history;
    history.Write(wizardText::historySection, wizardText::csvHistory, PathText(csvPath));
    history.Write(wizardText::historySection, wizardText::dtdHistory, PathText(dtdFolder));
    history.Write(wizardText::historySection, wizardText::dataHistory, PathText(dataFolder));
    history.Write(wizardText::historySection, wizardText::xmlHistory, PathText(xmlFolder));
}

// Page 2: filesets.

void WizardDialog::EnterFilesetPage()
{
    view.Enable(control::back, true);
    view.SetText(control::next, wizardText::nextCaption);
    csvTitle = PathText(csvPath.stem());
    allFilesets.clear();
    // A chosen fileset stays chosen, and Next keeps its state, until the user removes
    // the last one.
    if (chosenRows.empty()) {
        selectedFilesets.clear();
        view.Enable(control::next, false);
    }
    LoadFilesetList();
    Push();
    view.Focus(control::allFilesetList);
    // Enter presses no button here: it would otherwise leave the page unasked.
    view.SetDefaultButton(0);
}

void WizardDialog::LoadFilesetList()
{
    // The file was there when page 1 checked it; it may have gone since.
    if (ReadFilesetList(csvPath, allFilesets) != 0) {
        allFilesets.clear();
        WarningDialog warning(&presenter);
        warning.Show(MessageId::CsvFileUnreadable);
    }
    FillListFromMap(allFilesets, control::allFilesetList);
}

void WizardDialog::FillListFromMap(const std::map<std::string, std::string>& filesets,
                                   int listId)
{
    std::vector<std::string>& codes = RowCodes(listId);
    codes.clear();
    std::vector<ListRow> rows;
    for (const auto& [code, name] : filesets) {
        codes.push_back(code);
        rows.push_back({ToUtf8(code), ToUtf8(name)});
    }
    view.SetRows(listId, rows);
}

std::vector<std::string>& WizardDialog::RowCodes(int listId)
{
    if (listId == control::allFilesetList) {
        return allRows;
    }
    return listId == control::chosenFilesetList ? chosenRows : featureRows;
}

std::vector<std::string> WizardDialog::SelectedCodes(int listId)
{
    const std::vector<std::string>& codes = RowCodes(listId);
    std::vector<std::string> selected;
    for (const int row : view.SelectedRows(listId)) {
        if (row >= 0 && static_cast<std::size_t>(row) < codes.size()) {
            selected.push_back(codes[static_cast<std::size_t>(row)]);
        }
    }
    return selected;
}

void WizardDialog::OnAdd()
{
    for (const std::string& code : SelectedCodes(control::allFilesetList)) {
        selectedFilesets[code] = allFilesets[code];
    }
    FillListFromMap(selectedFilesets, control::chosenFilesetList);
    if (!selectedFilesets.empty()) {
        view.Enable(control::next, true);
        view.Focus(control::next);
        view.SetDefaultButton(control::next);
    }
    Push();
}

void WizardDialog::OnRemove()
{
    for (const std::string& code : SelectedCodes(control::chosenFilesetList)) {
        selectedFilesets.erase(code);
    }
    FillListFromMap(selectedFilesets, control::chosenFilesetList);
    view.Enable(control::next, !selectedFilesets.empty());
    Push();
}

// Page 3: feature kinds per fileset.

void WizardDialog::EnterFeaturePage()
{
    view.Enable(control::back, true);
    view.Enable(control::next, true);
    view.SetText(control::next, wizardText::nextCaption);
    FillListFromMap(selectedFilesets, control::featureFilesetList);
    // The folder lines keep what they showed when the page was left, until a row is
    // chosen.
    ShowFeaturesIdle();
    // Reached with Next, every chosen fileset starts with every kind; with Back, the
    // choices made before stay.
    if (enteredForward) {
        featureSelection.clear();
        for (const auto& [code, name] : selectedFilesets) {
            featureSelection[code] = std::string(FeatureCount(), '1');
        }
    }
    view.Focus(control::featureFilesetList);
    Push();
}

std::size_t WizardDialog::FeatureCount() const
{
    return settings.ObjectNames().size();
}

void WizardDialog::OnFeatureFilesetChanged(int row)
{
    if (pageIndex != 3) {
        return;
    }
    if (row >= 0 && static_cast<std::size_t>(row) < featureRows.size()) {
        ShowFeatureChecks(featureRows[static_cast<std::size_t>(row)]);
    } else {
        ShowFeaturesIdle();
        inputFolderLabel.clear();
        outputFolderLabel.clear();
    }
    Push();
}

void WizardDialog::ShowFeatureChecks(const std::string& code)
{
    currentFileset = code;
    view.SetCheckStyle(control::featureCheckList, CheckStyle::TwoStateAuto);
    view.Enable(control::featureCheckList, true);
    ShowChecks(SelectionOf(code));
    view.Enable(control::selectAll, true);
    view.Enable(control::clearAll, true);
    inputFolderLabel = PathText(dataFolder / FsName(code));
    outputFolderLabel = PathText(xmlFolder / FsName(code));
}

void WizardDialog::ShowFeaturesIdle()
{
    currentFileset.reset();
    view.SetCheckStyle(control::featureCheckList, CheckStyle::ThreeState);
    view.SetChecks(control::featureCheckList,
                   std::vector<CheckState>(FeatureCount(), CheckState::Indeterminate));
    for (const int id : {control::featureCheckList, control::selectAll, control::clearAll}) {
        view.Enable(id, false);
    }
}

FeatureSelection WizardDialog::SelectionOf(const std::string& code) const
{
    // A fileset without a selection converts no kind, as the run treats it.
    const auto found = featureSelection.find(code);
    ::FeatureSelection selection =
        found != featureSelection.end() ? found->second : ::FeatureSelection();
    selection.resize(FeatureCount(), '0');
    return selection;
}

void WizardDialog::ShowChecks(const std::string& selection)
{
    std::vector<CheckState> checks;
    for (const char digit : selection) {
        checks.push_back(digit == '1' ? CheckState::Checked : CheckState::Unchecked);
    }
    view.SetChecks(control::featureCheckList, checks);
}

void WizardDialog::SetAllFeatures(char digit)
{
    if (!currentFileset) {
        return;
    }
    const std::string selection(FeatureCount(), digit);
    featureSelection[*currentFileset] = selection;
    ShowChecks(selection);
}

void WizardDialog::OnFeatureToggled(int item, bool checked)
{
    if (!currentFileset || item < 0 || static_cast<std::size_t>(item) >= FeatureCount()) {
        return;
    }
    std::string selection = SelectionOf(*currentFileset);
    selection[static_cast<std::size_t>(item)] = checked ? '1' : '0';
    featureSelection[*currentFileset] = selection;
}

void WizardDialog::OnSelectAll()
{
    SetAllFeatures('1');
}

void WizardDialog::OnClearAll()
{
    SetAllFeatures('0');
}

// Page 4: output options.

void WizardDialog::EnterOptionsPage()
{
    view.Enable(control::back, true);
    view.Enable(control::next, true);
    view.SetText(control::next, wizardText::nextCaption);
    Push();
    // The defaults on every entry, also when coming back from the summary.
    integratedOutput = true;
    skipDtdCopy = false;
    shiftJisOutput = false;
    ShowOptions();
    view.Focus(control::next);
}

void WizardDialog::ShowOptions()
{
    view.SetRadio(control::integratedFile, integratedOutput);
    view.SetRadio(control::perKindFile, !integratedOutput);
    view.SetRadio(control::noDtdCopy, skipDtdCopy);
    view.SetRadio(control::dtdCopy, !skipDtdCopy);
    view.SetRadio(control::shiftJis, shiftJisOutput);
    view.SetRadio(control::utf8, !shiftJisOutput);
}

void WizardDialog::OnRadioClicked(int id)
{
    switch (id) {
    case control::integratedFile:
    case control::perKindFile:
        integratedOutput = id == control::integratedFile;
        break;
    case control::noDtdCopy:
    case control::dtdCopy:
        skipDtdCopy = id == control::noDtdCopy;
        break;
    case control::shiftJis:
    case control::utf8:
        shiftJisOutput = id == control::shiftJis;
        break;
    default:
        return;
    }
    ShowOptions();
    Push();
}

// Page 5: summary.

void WizardDialog::EnterSummaryPage()
{
    view.Enable(control::back, true);
    view.Enable(control::next, true);
    view.SetText(control::next, wizardText::runCaption);
    view.Focus(control::next);
    view.SetDefaultButton(control::next);
    statusMessage = wizardText::checkSettings;
    summaryText = BuildSummary();
    Push();
}

std::string WizardDialog::BuildSummary() const
{
    std::string text = "\r\n";
    text += " データフォルダ\t" + PathText(dataFolder) + "\r\n";
    text += " XML出力フォルダ\t" + PathText(xmlFolder) + "\r\n\r\n";
    text += std::string(" 文字コード\t") + (shiftJisOutput ? "Shift_JIS" : "unicode") + "\r\n";
    text += std::string(" XMLファイル\t") + (integratedOutput ? "統合ファイル" : "地物別ファイル") +
            "\r\n";
    text += std::string(" DTDファイル\t") + (skipDtdCopy ? "コピーしない" : "コピーする") +
            "\r\n\r\n";
    // In ascending byte order of the codes, the order of the run.
    const StringList& names = settings.ObjectNames();
    for (const auto& [code, name] : selectedFilesets) {
        text += " " + ToUtf8(name) + " <" + ToUtf8(code) + ">\r\n\t";
        const auto found = featureSelection.find(code);
        const std::string selection = found != featureSelection.end() ? found->second : "";
        const std::size_t kinds = std::min(selection.size(), names.size());
        bool first = true;
        for (std::size_t i = 0; i < kinds; ++i) {
            if (IsChosen(selection[i])) {
                text += first ? "" : "/";
                AppendUtf8(names[i], text);
                first = false;
            }
        }
        text += "\r\n\r\n";
    }
    text += " 合計\t" + std::to_string(selectedFilesets.size()) + " ファイルセット \r\n";
    return text;
}
