#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct RgbPicture;

// Everything the wizard's page logic does to its window, addressed by the control ids
// of wizard/ControlIds.h. The window decides nothing: it shows what it is told and
// reports what the user did by calling the matching operation of WizardDialog (OnNext,
// OnAdd, OnFeatureFilesetChanged, ...). All text is UTF-8.
//
// The Qt window implements it in app/; the tests implement it with a fake that keeps
// every control's state.

// One row of a two-column list: the fileset code and its name.
struct ListRow
{
    std::string code;
    std::string name;
    bool operator==(const ListRow&) const = default;
};

// How the boxes of a check list behave. Only TwoStateAuto lets a click change a box;
// the window then reports the toggle.
enum class CheckStyle
{
    Plain,         // two states, changed only by the logic
    ThreeState,    // three states, changed only by the logic
    TwoStateAuto,  // two states; a click or Space toggles (indeterminate becomes unchecked)
};

enum class CheckState
{
    Unchecked,
    Checked,
    Indeterminate,
};

struct PictureSize
{
    int width;   // pixels
    int height;
};

class WizardView
{
public:
    virtual ~WizardView() = default;

    virtual void Show(int id, bool shown) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual void Focus(int id) = 0;
    // The button that Enter presses when no push button has the focus; 0: none.
    virtual void SetDefaultButton(int id) = 0;
    // The text of an edit, a label, a group box's caption or a button's caption.
    virtual void SetText(int id, const std::string& text) = 0;

    // Replaces the rows of a list; no row is selected afterwards. The window need not
    // report this as a selection change.
    virtual void SetRows(int listId, const std::vector<ListRow>& rows) = 0;
    // The selected rows by index in the order of SetRows, ascending.
    virtual std::vector<int> SelectedRows(int listId) = 0;

    // The items of a check list, in order.
    virtual void SetItems(int listId, const std::vector<std::string>& items) = 0;
    virtual void SetCheckStyle(int listId, CheckStyle style) = 0;
    // One state per item, in item order.
    virtual void SetChecks(int listId, const std::vector<CheckState>& states) = 0;

    virtual void SetRadio(int id, bool checked) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPosition(int position) = 0;

    // Decodes a picture file into the picture control; its size, or nothing when the
    // file cannot be read or decoded.
    virtual std::optional<PictureSize> LoadPicture(int id, const std::filesystem::path& file) = 0;
    // Moves and sizes a control; pixels from the window's top-left corner.
    virtual void Place(int id, int x, int y, int width, int height) = 0;

    // Replaces the texts of a choice box and chooses `chosen`. The window does not report
    // this; a choice the user makes it reports with WizardDialog::OnPreviewChosen.
    virtual void SetChoices(int id, const std::vector<std::string>& items, int chosen) = 0;
    // Shows `picture` in a map picture control, scaled down to fit the control with its
    // aspect kept (halved exactly when it is twice the control's size); null shows an
    // empty control. The picture must stay alive and unchanged until the next call.
    virtual void SetPicture(int id, const RgbPicture* picture) = 0;

    // Adds the item that opens the about box to the window's menu; choosing it calls
    // WizardDialog::OnAbout.
    virtual void AddAboutItem(const std::string& text) = 0;
    // The system's default alert sound.
    virtual void Beep() = 0;
    // Closes the window; the program then ends with status 0.
    virtual void EndDialog() = 0;
    // Lets the window handle what is pending (painting, clicks, keys) and returns
    // without waiting. Called from inside a conversion run, so it may call back into
    // WizardDialog: OnCancel and OnAbout are the operations that can arrive then.
    virtual void ProcessPendingEvents() = 0;
};
