#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/wizard/WizardFakes.h"
#include "win/WinServices.h"
#include "win/WizardWindow.h"

// What the driver saw of one small dialog before it answered it.
struct SeenDialog
{
    std::string caption;
    std::string message;
    std::vector<int> buttons;  // ids, left to right
    std::vector<std::string> buttonTexts;
    int focus = 0;             // the id of the control with the focus
    int defaultButton = 0;     // the dialog's default button; 0: none
    RECT frame{};
};

// How the driver answers a small dialog: by pressing a button, or a key.
struct Answer
{
    int button = 0;  // the button's id, or 0 for the key
    WPARAM key = 0;  // VK_RETURN or VK_ESCAPE
    static Answer Button(int id) { return {id, 0}; }
    static Answer Key(WPARAM virtualKey) { return {0, virtualKey}; }
};

// Answers the small dialogs of this thread from a queue while a modal loop runs: a thread
// timer looks for an enabled dialog other than the wizard, records it, and presses the
// answer's button (the notification its click sends) or posts the answer's key to the
// control with the focus.
class DialogAnswerer
{
public:
    explicit DialogAnswerer(HWND wizardWindow = nullptr);
    ~DialogAnswerer();
    void Queue(Answer answer) { answers.push_back(answer); }
    std::vector<SeenDialog> seen;
    std::vector<Answer> answers;
    // Called with each dialog just before it is answered.
    std::function<void(HWND)> beforeAnswer;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Look();

    HWND wizard;
    UINT_PTR timer;
    static DialogAnswerer* current;
};

// Reads a window's text as UTF-8.
std::string WindowText(HWND window);
// Handles every pending message of this thread, through the wizard's dialog manager.
void Pump(HWND wizard);
// Runs a program of the build folder with these arguments and waits for it; its exit
// status, or -1 when it did not start or end within the time.
int RunProgram(const std::string& name, const std::vector<std::wstring>& arguments,
               DWORD waitMilliseconds = 60000,
               const std::function<void(DWORD)>& whileRunning = {});
// A PNG file read with the system's decoder: its width, its height, then its pixels as
// 0xRRGGBB, rows from the top; empty when it cannot be read. COM must be set up.
std::vector<std::uint32_t> ReadPng(const std::filesystem::path& file);

// The real window, created modeless over fakes for the picker, the opener and the
// exit, the real registry history under a name of its own, and a beep counter.
class WinWizardTest : public ::testing::Test
{
protected:
    // The settings file of the build folder; the demo data set of the sources.
    static std::filesystem::path Settings();
    static std::filesystem::path Demo();
    // The registry key of the tests' history, removed before and after each test.
    static constexpr const wchar_t* historyApplication = L"ordevik-win-tests";

    void SetUp() override;
    void TearDown() override;
    // Builds and shows the window; `history` as "-r" would.
    void Open(bool history = false);

    HWND Control(int id) const { return window->Control(id); }
    bool Visible(int id) const;
    bool Enabled(int id) const;
    std::string Text(int id) const { return WindowText(Control(id)); }
    // Presses a push button or radio button as a click does (BM_CLICK), then pumps.
    void Click(int id);
    // Posts a key to the control with the focus and pumps: the dialog manager decides.
    void Press(WPARAM key);
    int Focused() const;
    // The ids of the wizard's controls that are shown, ascending.
    std::vector<int> Shown() const;
    // The rows of a fileset list as "code name".
    std::vector<std::string> Rows(int listId) const;
    void SelectRows(int listId, const std::vector<int>& rows);
    // The boxes of the check list: '1' checked, '0' unchecked, '?' indeterminate.
    std::string Boxes() const;
    // Sends the list's owner a notification of `code` from list `listId`.
    void Notify(int listId, UINT code, int item = -1);
    // Walks from the welcome page to page 2 with the demo set, all paths chosen.
    void ToFilesetPage(const std::filesystem::path& xmlFolder);

    FakePicker picker;
    FakeOpener opener;
    FakeExit processExit;
    RegistryHistory history{L"QXZ", historyApplication};
    int beeps = 0;
    std::unique_ptr<WizardWindow> window;
    std::unique_ptr<DialogAnswerer> answerer;
};
