#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/engine/ConversionTestSupport.h"
#include "tests/wizard/WizardFakes.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardText.h"

// A wizard over fakes, with settings of three kinds (道路 RD, 河川 RV, メッシュ標高 MH)
// and a copy of the demo data set in set/ (filesets.csv, dtd/, data/).
class WizardTest : public ::testing::Test
{
protected:
    WizardTest()
    {
        const std::filesystem::path source = ORDEVIK_SOURCE_DIR;
        std::string settings = ReadFileBytes(source / "resources" / "ordevik.ini");
        const std::size_t begin = settings.find("\nObject{");
        const std::size_t end = settings.find("\n}", begin);
        settings.replace(begin + 1, end + 2 - (begin + 1),
                         ToCp932("Object{\r\n  道路{RD}\r\n  河川{RV}\r\n  メッシュ標高{MH}\r\n}"));
        WriteFileBytes(settingsFile, settings);
        WriteFileBytes(folder / "wizard.txt", ToCp932("ようこそ\r\n\r\n  # 二行目\r\n"));
        WriteFileBytes(folder / "wizard.bmp", "BM");
        std::filesystem::copy(source / "samples" / "demo", set,
                              std::filesystem::copy_options::recursive);
        std::filesystem::create_directory(out);
    }

    WizardDialog& Start(bool withHistory = false)
    {
        wizard.emplace(window, presenter, services, withHistory, settingsFile);
        wizard->Initialise();
        return *wizard;
    }

    // The user's hand on the window.
    void Select(int listId, std::vector<int> rows)
    {
        window[listId].selected = rows;
        if (listId == control::featureFilesetList) {
            wizard->OnFeatureFilesetChanged(rows.empty() ? -1 : rows.front());
        }
    }
    void Toggle(int item)
    {
        FakeControl& list = window[control::featureCheckList];
        ASSERT_TRUE(list.enabled && list.style == CheckStyle::TwoStateAuto);
        CheckState& check = list.checks.at(static_cast<std::size_t>(item));
        check = check == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
        wizard->OnFeatureToggled(item, check == CheckState::Checked);
    }
    // Chooses the four paths through the browse buttons; the CSV file's choice proposes
    // the other two, which an empty argument keeps.
    void ChoosePaths(const std::filesystem::path& csv, const std::filesystem::path& dtd,
                     const std::filesystem::path& data, const std::filesystem::path& xml)
    {
        picker.files.push_back(csv);
        wizard->OnBrowseCsv();
        for (const auto& [path, browse] : {std::pair{dtd, &WizardDialog::OnBrowseDtd},
                                           std::pair{data, &WizardDialog::OnBrowseData},
                                           std::pair{xml, &WizardDialog::OnBrowseXml}}) {
            if (!path.empty()) {
                picker.folders.push_back(path);
                ((*wizard).*browse)();
            }
        }
    }
    // From the welcome page to page 3 with the demo set and the given rows chosen.
    void ToFeaturePage(std::vector<int> rows)
    {
        wizard->OnNext();
        ChoosePaths(set / "filesets.csv", {}, {}, out);
        wizard->OnNext();
        Select(control::allFilesetList, rows);
        wizard->OnAdd();
        wizard->OnNext();
    }
    std::string Text(int id) { return window[id].text; }

    TempFolder folder;
    const std::filesystem::path settingsFile = folder / "wizard.ini";
    const std::filesystem::path set = folder / "set";
    const std::filesystem::path out = folder / "out";
    FakeWindow window;
    HookedPresenter presenter;
    FakeHistory history;
    FakePicker picker;
    FakeOpener opener;
    FakeExit processExit;
    WizardServices services{history, picker, opener, processExit};
    std::optional<WizardDialog> wizard;
};
