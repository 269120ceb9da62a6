#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "win/Handles.h"
#include "win/WinDialogs.h"
#include "wizard/PageLayout.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardView.h"

// The wizard on Windows: dialog resource 102 (335 × 288 dialog units, captioned "ケルダ",
// "ＭＳ Ｐゴシック" 9 pt, system menu and minimise box), holding every control of every
// page at its id. The controls are created from the shared layout (wizard/PageLayout.h)
// when the dialog starts, scaled from layout units to the dialog's own dialog units, and
// hidden until the logic shows them.
//
// It owns the page logic (WizardDialog) and the presenter of the small dialogs, shows
// whatever the logic sets through WizardView, and one dialog procedure turns each message
// into the matching operation of the logic; it decides nothing itself. The dialog manager
// gives the keyboard: Enter presses the focused push button, else the default button
// (DM_SETDEFID); Escape and the close box reach the logic's cancel. The services must
// outlive the window.
class WizardWindow : public WizardView
{
public:
    static constexpr int dialogResource = 102;
    // The about item of the system menu; the low four bits of a system command are the
    // system's own.
    static constexpr UINT aboutCommand = 16;

    WizardWindow(HINSTANCE instance, const WizardServices& services, bool historyRequested,
                 const std::filesystem::path& settingsFile, BeepHook beep = SystemBeep());
    WizardWindow(const WizardWindow&) = delete;
    WizardWindow& operator=(const WizardWindow&) = delete;
    ~WizardWindow() override;

    // Shows the wizard modally until it ends: the program's way.
    void RunModal();
    // Creates and shows the wizard without a modal loop of its own; the caller pumps the
    // messages (the tests). Returns the window, or null when it cannot be created.
    HWND Create();

    HWND Handle() const { return window; }
    // The control with this id, or null.
    HWND Control(int id) const;
    WizardDialog& Logic() { return *logic; }
    // The button Enter presses when no push button has the focus; 0: none.
    int DefaultButton() const { return defaultButtonId; }
    // The boxes of the check list as the window shows them.
    std::vector<CheckState> Checks() const { return checks; }
    CheckStyle ChecksStyle() const { return checkStyle; }
    // The logic ended the dialog ("完了").
    bool Ended() const { return ended; }
    // Layout units as pixels of this window, across and down.
    int PixelsAcross(int units) const;
    int PixelsDown(int units) const;

    // WizardView.
    void Show(int id, bool shown) override;
    void Enable(int id, bool enabled) override;
    void Focus(int id) override;
    void SetDefaultButton(int id) override;
    void SetText(int id, const std::string& text) override;
    void SetRows(int listId, const std::vector<ListRow>& rows) override;
    std::vector<int> SelectedRows(int listId) override;
    void SetItems(int listId, const std::vector<std::string>& items) override;
    void SetCheckStyle(int listId, CheckStyle style) override;
    void SetChecks(int listId, const std::vector<CheckState>& states) override;
    void SetRadio(int id, bool checked) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    std::optional<PictureSize> LoadPicture(int id, const std::filesystem::path& file) override;
    // x and y are layout units, as the shared layout's; the size is in pixels (the
    // picture's own), cut off at the line above the buttons.
    void Place(int id, int x, int y, int width, int height) override;
    void SetChoices(int id, const std::vector<std::string>& items, int chosen) override;
    void SetPicture(int id, const RgbPicture* picture) override;
    void AddAboutItem(const std::string& text) override;
    void Beep() override;
    void EndDialog() override;
    void ProcessPendingEvents() override;

private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise(HWND dialog);
    void CreateControls();
    HWND CreateControl(const layout::Control& entry);
    void SetUpFilesetList(HWND list);
    void SetUpCheckList(HWND list);
    HBITMAP ScaledBitmap(int resource, int width, int height);
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void ToggleCheck(int item);
    void ShowChecks();
    void ApplyPendingFocus();
    void PaintMap(const DRAWITEMSTRUCT& item);

    HINSTANCE module;
    WizardServices platform;
    bool historyEnabled;
    std::filesystem::path settingsPath;
    BeepHook beeper;
    WinDialogPresenter presenter;

    HWND window = nullptr;
    bool modal = false;
    bool ended = false;
    // 1000 dialog units across and down, in pixels of this dialog's font.
    int thousandAcross = 1500;
    int thousandDown = 1500;
    std::map<int, HWND> controls;
    std::vector<GdiObject> bitmaps;  // what the image statics show
    GdiObject picture;
    // What each map picture control shows: the logic's picture, which outlives it, and
    // that picture scaled for the control as a device-independent bitmap.
    struct MapBitmap
    {
        const RgbPicture* source = nullptr;
        BITMAPINFO format{};
        std::vector<std::uint8_t> bits;  // empty until painted
    };
    std::map<int, MapBitmap> maps;
    ImageListHandle listImages;
    ImageListHandle checkImages;
    IconHandle bigIcon;
    IconHandle smallIcon;

    std::vector<CheckState> checks;
    CheckStyle checkStyle = CheckStyle::Plain;
    int defaultButtonId = 0;
    // A control the logic focused while it was hidden or disabled; it takes the focus
    // as soon as it can.
    int pendingFocusId = 0;
    // The window fills a list; its selection changes are not the user's.
    bool filling = false;
    std::optional<WizardDialog> logic;  // built last: it refers to the window and presenter
};
