#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/ScriptedPresenter.h"
#include "wizard/ControlIds.h"
#include "wizard/WizardServices.h"
#include "wizard/WizardView.h"

// Everything a window shows of one control.
struct FakeControl
{
    bool shown = false;
    bool enabled = true;
    std::string text;
    std::vector<std::string> texts;  // every text set, in order
    std::vector<ListRow> rows;
    std::vector<int> selected;
    std::vector<std::string> items;
    CheckStyle style = CheckStyle::Plain;
    std::vector<CheckState> checks;
    bool radio = false;
    std::optional<std::array<int, 4>> placement;  // x, y, width, height
    int chosen = -1;                              // a choice box's chosen item
    const RgbPicture* picture = nullptr;          // a map picture's
    bool operator==(const FakeControl&) const = default;
};

// The whole state of the fake window, comparable as one value.
struct WindowState
{
    std::map<int, FakeControl> controls;
    int focus = 0;
    int defaultButton = -1;  // never set
    std::pair<int, int> progressRange{0, 0};
    int progressPosition = 0;
    std::string aboutItem;
    int pictureLoads = 0;
    int beeps = 0;
    bool ended = false;
    bool operator==(const WindowState&) const = default;
};

// The buttons along the bottom as the user sees them.
struct Buttons
{
    bool help;
    bool back;
    bool next;
    bool cancel;
    std::string nextCaption;
    int focus;
    int defaultButton;
    bool operator==(const Buttons&) const = default;
    friend void PrintTo(const Buttons& b, std::ostream* out)
    {
        *out << "help" << (b.help ? "+" : "-") << " back" << (b.back ? "+" : "-") << " next"
             << (b.next ? "+" : "-") << " cancel" << (b.cancel ? "+" : "-") << " '"
             << b.nextCaption << "' focus " << b.focus << " default " << b.defaultButton;
    }
};

// A window that keeps what the wizard set. Pumping runs the action queued for it once.
class FakeWindow : public WizardView
{
public:
    void Show(int id, bool shown) override { state.controls[id].shown = shown; }
    void Enable(int id, bool enabled) override { state.controls[id].enabled = enabled; }
    void Focus(int id) override { state.focus = id; }
    void SetDefaultButton(int id) override { state.defaultButton = id; }
    void SetText(int id, const std::string& text) override
    {
        state.controls[id].text = text;
        state.controls[id].texts.push_back(text);
    }
    void SetRows(int listId, const std::vector<ListRow>& rows) override
    {
        state.controls[listId].rows = rows;
        state.controls[listId].selected.clear();
    }
    std::vector<int> SelectedRows(int listId) override { return state.controls[listId].selected; }
    void SetItems(int listId, const std::vector<std::string>& items) override
    {
        state.controls[listId].items = items;
        state.controls[listId].checks.assign(items.size(), CheckState::Unchecked);
    }
    void SetCheckStyle(int listId, CheckStyle style) override
    {
        state.controls[listId].style = style;
    }
    void SetChecks(int listId, const std::vector<CheckState>& states) override
    {
        EXPECT_EQ(state.controls[listId].items.size(), states.size()) << "one state per item";
        state.controls[listId].checks = states;
    }
    void SetRadio(int id, bool checked) override { state.controls[id].radio = checked; }
    void SetProgressRange(int low, int high) override { state.progressRange = {low, high}; }
    void SetProgressPosition(int position) override { state.progressPosition = position; }
    std::optional<PictureSize> LoadPicture(int, const std::filesystem::path&) override
    {
        ++state.pictureLoads;
        return pictureSize;
    }
    void Place(int id, int x, int y, int width, int height) override
    {
        state.controls[id].placement = std::array<int, 4>{x, y, width, height};
    }
    void SetChoices(int id, const std::vector<std::string>& items, int chosen) override
    {
        state.controls[id].items = items;
        state.controls[id].chosen = chosen;
    }
    void SetPicture(int id, const RgbPicture* picture) override
    {
        state.controls[id].picture = picture;
    }
    void AddAboutItem(const std::string& text) override { state.aboutItem = text; }
    void Beep() override { ++state.beeps; }
    void EndDialog() override { state.ended = true; }
    void ProcessPendingEvents() override
    {
        ++pumps;
        if (onPump) {
            auto action = std::move(onPump);
            onPump = nullptr;
            action();
        }
    }

    FakeControl& operator[](int id) { return state.controls[id]; }

    Buttons BottomButtons()
    {
        return {state.controls[control::help].enabled, state.controls[control::back].enabled,
                state.controls[control::next].enabled, state.controls[control::cancel].enabled,
                state.controls[control::next].text,    state.focus,
                state.defaultButton};
    }

    // The ids of the controls shown, ascending.
    std::vector<int> Shown() const
    {
        std::vector<int> shown;
        for (const auto& [id, item] : state.controls) {
            if (item.shown) {
                shown.push_back(id);
            }
        }
        return shown;
    }

    // The six radio buttons of page 4 as "1041+ 1040- ...", in pairs.
    std::string Radios()
    {
        std::string text;
        for (const int id : {control::integratedFile, control::perKindFile, control::dtdCopy,
                             control::noDtdCopy, control::utf8, control::shiftJis}) {
            text += std::to_string(id) + (state.controls[id].radio ? "+ " : "- ");
        }
        return text;
    }

    WindowState state;
    std::optional<PictureSize> pictureSize;  // what LoadPicture answers
    std::function<void()> onPump;
    int pumps = 0;
};

// A history store in memory that logs each access as "read KEY" or "write KEY=VALUE".
class FakeHistory : public HistoryStore
{
public:
    std::string Read(const std::string& section, const std::string& key) override
    {
        log.push_back("read " + section + "/" + key);
        const auto found = values.find(key);
        return found != values.end() ? found->second : std::string();
    }
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override
    {
        log.push_back("write " + section + "/" + key + "=" + value);
        values[key] = value;
    }

    std::map<std::string, std::string> values;  // section "History" only
    std::vector<std::string> log;
};

// Answers the file and folder dialogs from queues; an empty queue cancels.
class FakePicker : public FilePicker
{
public:
    std::optional<std::filesystem::path> ChooseFile(const std::vector<FileFilter>& filters,
                                                    const std::filesystem::path& start) override
    {
        fileFilters.push_back(filters);
        startFolders.push_back(start);
        if (files.empty()) {
            return std::nullopt;
        }
        const std::filesystem::path chosen = files.front();
        files.pop_front();
        return chosen;
    }
    std::optional<std::filesystem::path> ChooseFolder(const std::string& title,
                                                      const std::filesystem::path& start) override
    {
        folderTitles.push_back(title);
        startFolders.push_back(start);
        if (folders.empty()) {
            return std::nullopt;
        }
        const std::filesystem::path chosen = folders.front();
        folders.pop_front();
        return chosen;
    }

    std::optional<std::filesystem::path> ChooseSaveFile(
        const FileFilter& filter, const std::filesystem::path& start,
        const std::filesystem::path& suggestedName) override
    {
        saveFilters.push_back(filter);
        startFolders.push_back(start);
        suggestedNames.push_back(suggestedName);
        if (saveFiles.empty()) {
            return std::nullopt;
        }
        const std::filesystem::path chosen = saveFiles.front();
        saveFiles.pop_front();
        return chosen;
    }

    std::deque<std::filesystem::path> files;
    std::deque<std::filesystem::path> folders;
    std::deque<std::filesystem::path> saveFiles;
    std::vector<FileFilter> saveFilters;
    std::vector<std::filesystem::path> suggestedNames;
    std::vector<std::vector<FileFilter>> fileFilters;
    std::vector<std::string> folderTitles;
    std::vector<std::filesystem::path> startFolders;  // of every dialog, in order
};

class FakeOpener : public DocumentOpener
{
public:
    void Open(const std::filesystem::path& document) override { opened.push_back(document); }
    std::vector<std::filesystem::path> opened;
};

// Records the status and unwinds to the test, which catches Exited.
class FakeExit : public ProcessExit
{
public:
    struct Exited
    {
        int status;
    };
    [[noreturn]] void Exit(int status) override
    {
        statuses.push_back(status);
        throw Exited{status};
    }
    std::vector<int> statuses;
};

// A scripted presenter that runs an action before it answers, as a user might change
// the disk while a dialog is open.
class HookedPresenter : public ScriptedPresenter
{
public:
    using ScriptedPresenter::ScriptedPresenter;
    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override
    {
        if (beforeAnswer) {
            beforeAnswer(id);
        }
        return ScriptedPresenter::ShowModal(layout, id, message);
    }
    std::function<void(MessageId)> beforeAnswer;
};
