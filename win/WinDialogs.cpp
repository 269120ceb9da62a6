#include "win/WinDialogs.h"

#include <algorithm>
#include <utility>

#include "win/DialogTemplate.h"
#include "win/WideText.h"

namespace {

// Positions in dialog units shared by every message dialog; the about box has its own.
constexpr short messageIconX = 15;
constexpr short messageIconY = 10;
constexpr short messageX = 40;
constexpr short messageY = 15;
constexpr short aboutIconX = 13;
constexpr short aboutIconY = 16;
constexpr short aboutTextX = 45;
constexpr short aboutTextY = 15;
constexpr short aboutButtonY = 7;
constexpr short buttonY = 40;
constexpr short buttonWidth = 50;
constexpr short buttonHeight = 14;
constexpr short lineHeight = 8;
constexpr short aboutMargin = 7;
constexpr int messageId = 1076;
constexpr int iconId = 1077;
// Room kept free on both sides of a dialog widened to the screen.
constexpr int screenMargin = 12;  // pixels

bool IsAbout(const DialogLayout& layout)
{
    return layout.icon == DialogIcon::Application;
}

// What one showing needs inside the dialog procedure.
struct Showing
{
    const DialogLayout& layout;
    const std::wstring& message;
    HINSTANCE module;
    const BeepHook& beeper;
    HWND owner;
    bool beeped = false;
};

RECT WorkArea(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

void MoveBy(HWND dialog, HWND control, int dx, int dy)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(control, nullptr, rect.left + dx, rect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Widens the dialog so that the whole message shows; wraps it when even the screen's
// width is too narrow. Moves the buttons along.
void FitMessage(HWND dialog, const Showing& showing)
{
    HWND label = GetDlgItem(dialog, messageId);
    RECT line;
    GetWindowRect(label, &line);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&line), 2);
    const int lineWidth = line.right - line.left;
    HDC context = GetDC(label);
    const HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(context, showing.message.c_str(), static_cast<int>(showing.message.size()),
                          &extent);
    const int missing = extent.cx + 2 - lineWidth;
    if (missing <= 0) {
        SelectObject(context, previous);
        ReleaseDC(label, context);
        return;
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    const RECT screen = WorkArea(showing.owner != nullptr ? showing.owner : dialog);
    const int room = (screen.right - screen.left) - 2 * screenMargin - (frame.right - frame.left);
    const int grow = std::min(missing, std::max(0, room));
    int extraHeight = 0;
    if (grow < missing) {
        RECT wrapped{0, 0, lineWidth + grow, 0};
        DrawTextW(context, showing.message.c_str(), static_cast<int>(showing.message.size()),
                  &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        extraHeight = std::max(0L, wrapped.bottom - (line.bottom - line.top));
    }
    SelectObject(context, previous);
    ReleaseDC(label, context);
    SetWindowPos(label, nullptr, 0, 0, lineWidth + grow, line.bottom - line.top + extraHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The buttons stay centred under a message dialog's wider line; the about box's OK
    // button stays at the right edge.
    const bool about = IsAbout(showing.layout);
    for (const DialogButton& button : showing.layout.buttons) {
        MoveBy(dialog, GetDlgItem(dialog, button.id), about ? grow : grow / 2,
               about ? 0 : extraHeight);
    }
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + grow,
                 frame.bottom - frame.top + extraHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Centres the dialog on the screen or over its owner, as the layout says.
void Place(HWND dialog, const Showing& showing)
{
    RECT area;
    if (showing.layout.centredOnScreen || showing.owner == nullptr ||
        !IsWindowVisible(showing.owner)) {
        area = WorkArea(showing.owner != nullptr ? showing.owner : dialog);
    } else {
        GetWindowRect(showing.owner, &area);
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON DialogIconHandle(const Showing& showing)
{
    switch (showing.layout.icon) {
    case DialogIcon::Application:
        return static_cast<HICON>(LoadImageW(showing.module, MAKEINTRESOURCEW(applicationIcon),
                                             IMAGE_ICON, 32, 32, LR_SHARED));
    case DialogIcon::Error:
        return LoadIconW(nullptr, IDI_ERROR);
    case DialogIcon::Warning:
        break;
    }
    return LoadIconW(nullptr, IDI_WARNING);
}

INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* showing = reinterpret_cast<Showing*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        showing = reinterpret_cast<Showing*>(lParam);
        SendDlgItemMessageW(dialog, iconId, STM_SETICON,
                            reinterpret_cast<WPARAM>(DialogIconHandle(*showing)), 0);
        SetDlgItemTextW(dialog, messageId, showing->message.c_str());
        FitMessage(dialog, *showing);
        Place(dialog, *showing);
        if (showing->layout.defaultButtonId != 0) {
            SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(showing->layout.defaultButtonId), 0);
        }
        // Through the dialog manager, so that the focused button looks and acts as the
        // one Enter presses.
        if (!showing->layout.buttons.empty()) {
            SendMessageW(dialog, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(GetDlgItem(dialog, showing->layout.buttons.front().id)),
                         TRUE);
        }
        return FALSE;  // the focus is set
    }
    case WM_PAINT:
        // Once per showing: a repaint after another window uncovered the dialog is silent.
        if (showing != nullptr && showing->layout.beeps && !showing->beeped && showing->beeper) {
            showing->beeped = true;
            showing->beeper();
        }
        return FALSE;
    case WM_COMMAND: {
        if (showing == nullptr || HIWORD(wParam) != BN_CLICKED) {
            return FALSE;
        }
        const int id = LOWORD(wParam);
        for (const DialogButton& button : showing->layout.buttons) {
            if (button.id == id) {
                EndDialog(dialog, button.result);
                return TRUE;
            }
        }
        // Escape and the close box.
        if (id == IDCANCEL) {
            EndDialog(dialog, showing->layout.escapeResult);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}

BeepHook SystemBeep()
{
    return [] { MessageBeep(MB_OK); };
}

WinDialogPresenter::WinDialogPresenter(HINSTANCE instance, BeepHook beep)
    : module(instance), beeper(std::move(beep))
{
}

int WinDialogPresenter::ShowModal(const DialogLayout& layout, MessageId, const std::string& message)
{
    const bool about = IsAbout(layout);
    DialogTemplate dialog(DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                          static_cast<short>(layout.width), static_cast<short>(layout.height),
                          ToWide(layout.caption), uiFontName, uiFontPoints);
    dialog.AddControl(DialogTemplate::staticClass, iconId, SS_ICON,
                      about ? aboutIconX : messageIconX, about ? aboutIconY : messageIconY, 0, 0,
                      L"");
    const short textX = about ? aboutTextX : messageX;
    const short textWidth = about ? static_cast<short>(layout.buttons.front().x - aboutMargin - textX)
                                  : static_cast<short>(layout.messageWidth);
    dialog.AddControl(DialogTemplate::staticClass, messageId,
                      SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, textX, about ? aboutTextY : messageY,
                      textWidth, lineHeight, L"");
    bool first = true;
    for (const DialogButton& button : layout.buttons) {
        DWORD style = WS_TABSTOP |
                      (button.id == layout.defaultButtonId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        if (first) {
            style |= WS_GROUP;
            first = false;
        }
        dialog.AddControl(DialogTemplate::buttonClass, static_cast<WORD>(button.id), style,
                          static_cast<short>(button.x), about ? aboutButtonY : buttonY,
                          buttonWidth, buttonHeight, ToWide(button.text));
    }
    const std::wstring text = ToWide(message);
    Showing showing{layout, text, module, beeper, owner};
    const INT_PTR result = DialogBoxIndirectParamW(module, dialog.Get(), owner, DialogProcedure,
                                                   reinterpret_cast<LPARAM>(&showing));
    return static_cast<int>(result);
}
