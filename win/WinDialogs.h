#pragma once

#include <functional>
#include <string>

#include <windows.h>

#include "dialogs/Dialogs.h"

// The alert sound; a test counts the calls instead.
using BeepHook = std::function<void()>;
BeepHook SystemBeep();

// The font of every window of the program: "ＭＳ Ｐゴシック" at 9 points (Windows puts
// a face of the same metrics in its place where it is missing).
inline constexpr const wchar_t* uiFontName = L"ＭＳ Ｐゴシック";
inline constexpr WORD uiFontPoints = 9;
// The application icon's resource.
inline constexpr int applicationIcon = 152;

// Shows the six dialogs of the core as Windows dialogs drawn from their DialogLayout: the
// caption, the icon, the message in control 1076, the buttons at their places with their
// ids, the default button, the focus on the first button. Enter presses the focused
// button, else the default one; Escape and the close box end the dialog with the
// layout's escape result. A message wider than its line widens the dialog, up to the
// screen's width, and wraps beyond that. Message dialogs beep once when first painted.
// The dialog is owned by the owner window, which it disables while it is shown.
class WinDialogPresenter : public DialogPresenter
{
public:
    explicit WinDialogPresenter(HINSTANCE instance, BeepHook beep = SystemBeep());
    // The window the dialogs are shown over, or null.
    void SetOwner(HWND window) { owner = window; }
    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override;

private:
    HINSTANCE module;
    BeepHook beeper;
    HWND owner = nullptr;
};
