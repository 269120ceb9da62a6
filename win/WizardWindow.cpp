#include "win/WizardWindow.h"

#include <algorithm>
#include <utility>

#include <commctrl.h>

#include "platform/Picture.h"
#include "win/WideText.h"
#include "wizard/ControlIds.h"

namespace {

constexpr int listIcon = 151;  // bitmap resource: 16-pixel images, white is transparent

// Creation styles of each kind of control; every control also gets WS_CHILD and
// WS_CLIPSIBLINGS, and starts hidden unless the layout shows it always.
struct ClassAndStyle
{
    const wchar_t* windowClass;
    DWORD style;
    DWORD extendedStyle;
};

ClassAndStyle StyleOf(const layout::Control& entry)
{
    using layout::Kind;
    const bool sunken = (entry.flags & layout::sunken) != 0;
    DWORD textAlign = SS_LEFT;
    if ((entry.flags & layout::centred) != 0) {
        textAlign = SS_CENTER;
    } else if ((entry.flags & layout::alignRight) != 0) {
        textAlign = SS_RIGHT;
    }
    switch (entry.kind) {
    case Kind::PushButton:
        return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case Kind::GroupBox:
        return {WC_BUTTONW, BS_GROUPBOX, 0};
    case Kind::RadioButton:
        return {WC_BUTTONW, BS_RADIOBUTTON | WS_TABSTOP, 0};
    case Kind::Label:
        return {WC_STATICW, textAlign | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS |
                                (sunken ? SS_SUNKEN : 0u), 0};
    case Kind::PathLabel:
        return {WC_STATICW,
                SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_PATHELLIPSIS | SS_SUNKEN, 0};
    case Kind::PathEdit:
        return {WC_EDITW, ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::TextBox:
        return {WC_EDITW, ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0};
    case Kind::SummaryBox:
    case Kind::ReportBox:
        return {WC_EDITW, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case Kind::Image:
    case Kind::Picture:
        return {WC_STATICW, SS_BITMAP, 0};
    case Kind::Frame:
        return {WC_STATICW, SS_WHITERECT, WS_EX_CLIENTEDGE};
    case Kind::FilesetList:
        return {WC_LISTVIEWW,
                LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP |
                    ((entry.flags & layout::manyRows) != 0 ? 0u
                                                           : static_cast<DWORD>(LVS_SINGLESEL)),
                WS_EX_CLIENTEDGE};
    case Kind::CheckList:
        return {WC_LISTVIEWW,
                LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHAREIMAGELISTS |
                    WS_VSCROLL | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    case Kind::ProgressBar:
        return {PROGRESS_CLASSW, 0, 0};
    case Kind::ChoiceBox:
        return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case Kind::MapPicture:
        // The window draws it (WM_DRAWITEM), the picture scaled into the space inside the
        // edge.
        return {WC_STATICW, SS_OWNERDRAW, sunken ? static_cast<DWORD>(WS_EX_STATICEDGE) : 0u};
    }
    return {WC_STATICW, 0, 0};
}

// The state image of a box in the check list: 1 unchecked, 2 checked, 3 indeterminate.
UINT StateImage(CheckState state)
{
    switch (state) {
    case CheckState::Checked:
        return INDEXTOSTATEIMAGEMASK(2);
    case CheckState::Indeterminate:
        return INDEXTOSTATEIMAGEMASK(3);
    case CheckState::Unchecked:
        break;
    }
    return INDEXTOSTATEIMAGEMASK(1);
}

// The picture scaled down to `width` × `height` (at most its own size) by averaging the
// pixels each one covers, as a device-independent bitmap's rows: blue, green, red, each
// row padded to four bytes. A line one pixel wide stays, fainter, where dropping rows and
// columns (what the system's halftone mode does under Wine) would lose it.
std::vector<std::uint8_t> ScaledDown(const RgbPicture& picture, int width, int height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> bits(stride * static_cast<std::size_t>(height));
    // The source pixels [first, last) that destination pixel `at` of `count` covers.
    const auto span = [](int at, int count, int sourceCount) {
        const auto first = static_cast<int>(static_cast<long long>(at) * sourceCount / count);
        const auto last =
            static_cast<int>(static_cast<long long>(at + 1) * sourceCount / count);
        return std::pair{first, std::max(first + 1, last)};
    };
    for (int y = 0; y < height; ++y) {
        const auto [top, bottom] = span(y, height, picture.height);
        std::uint8_t* out = bits.data() + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x, out += 3) {
            const auto [left, right] = span(x, width, picture.width);
            unsigned long long sum[3] = {};
            for (int row = top; row < bottom; ++row) {
                const std::uint8_t* pixel = picture.At(left, row);
                for (int column = left; column < right; ++column, pixel += 3) {
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                }
            }
            const auto count = static_cast<unsigned long long>(bottom - top) * (right - left);
            out[0] = static_cast<std::uint8_t>((sum[2] + count / 2) / count);
            out[1] = static_cast<std::uint8_t>((sum[1] + count / 2) / count);
            out[2] = static_cast<std::uint8_t>((sum[0] + count / 2) / count);
        }
    }
    return bits;
}

}

WizardWindow::WizardWindow(HINSTANCE instance, const WizardServices& services,
                           bool historyRequested, const std::filesystem::path& settingsFile,
                           BeepHook beep)
    : module(instance),
      platform(services),
      historyEnabled(historyRequested),
      settingsPath(settingsFile),
      beeper(beep),
      presenter(instance, beep)
{
}

WizardWindow::~WizardWindow()
{
    if (window != nullptr && !modal) {
        DestroyWindow(window);
    }
}

void WizardWindow::RunModal()
{
    modal = true;
    DialogBoxParamW(module, MAKEINTRESOURCEW(dialogResource), nullptr, Procedure,
                    reinterpret_cast<LPARAM>(this));
}

HWND WizardWindow::Create()
{
    HWND created = CreateDialogParamW(module, MAKEINTRESOURCEW(dialogResource), nullptr,
                                      Procedure, reinterpret_cast<LPARAM>(this));
    if (created != nullptr) {
        ShowWindow(created, SW_SHOW);
        UpdateWindow(created);
    }
    return created;
}

HWND WizardWindow::Control(int id) const
{
    const auto found = controls.find(id);
    return found != controls.end() ? found->second : nullptr;
}

int WizardWindow::PixelsAcross(int units) const
{
    // Layout units are 4/7 of a dialog unit.
    return MulDiv(units, thousandAcross * 4, 7000);
}

int WizardWindow::PixelsDown(int units) const
{
    return MulDiv(units, thousandDown * 4, 7000);
}

INT_PTR CALLBACK WizardWindow::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<WizardWindow*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->Initialise(dialog);
        return FALSE;  // the logic has set the focus
    }
    auto* self = reinterpret_cast<WizardWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr || !self->logic) {
        return FALSE;
    }
    return self->Dispatch(message, wParam, lParam);
}

INT_PTR WizardWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(window, DWLP_MSGRESULT,
                          OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == aboutCommand) {
            logic->OnAbout();
            return TRUE;
        }
        return FALSE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType != ODT_STATIC) {
            return FALSE;
        }
        PaintMap(item);
        return TRUE;
    }
    case WM_CLOSE:
        // The close box asks as Cancel does; a confirmed quit never returns here.
        logic->OnCancel();
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        // The read-only texts of pages 0 and 5 are white, as a page of text is.
        const auto control = reinterpret_cast<HWND>(lParam);
        if (control == Control(control::introText) || control == Control(control::summaryText) ||
            control == Control(control::pictureFrame)) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

void WizardWindow::Initialise(HWND dialog)
{
    window = dialog;
    RECT thousand{0, 0, 4000, 8000};  // 1000 horizontal and 1000 vertical base units
    MapDialogRect(window, &thousand);
    thousandAcross = thousand.right / 4;
    thousandDown = thousand.bottom / 8;
    CreateControls();

    bigIcon = IconHandle(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(applicationIcon), IMAGE_ICON,
                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon = IconHandle(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(applicationIcon), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    presenter.SetOwner(window);

    // The window opens at the top-left corner of the screen's free area.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    SetWindowPos(window, nullptr, monitor.rcWork.left, monitor.rcWork.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    logic.emplace(*this, presenter, platform, historyEnabled, settingsPath);
    logic->Initialise();
}

void WizardWindow::CreateControls()
{
    listImages = ImageListHandle(ImageList_LoadImageW(module, MAKEINTRESOURCEW(listIcon), 16, 4,
                                                      RGB(255, 255, 255), IMAGE_BITMAP,
                                                      LR_CREATEDIBSECTION));
    for (const layout::Control& entry : layout::Controls()) {
        controls[entry.id] = CreateControl(entry);
    }
    // Each control is created under the ones before it. The group boxes and the frame go
    // under all of them, so that they leave the controls inside them unpainted, and the
    // welcome picture under those: drawn at its own size, it may reach into the frame of
    // the introduction, which then covers it.
    for (const layout::Kind kind : {layout::Kind::GroupBox, layout::Kind::Picture}) {
        for (const layout::Control& entry : layout::Controls()) {
            const bool frame = kind == layout::Kind::GroupBox && entry.kind == layout::Kind::Frame;
            if (entry.kind == kind || frame) {
                SetWindowPos(Control(entry.id), HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
    }
    // The etched line above the buttons, across the whole window.
    RECT client;
    GetClientRect(window, &client);
    CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0,
                    PixelsDown(layout::separatorTop), client.right, 2, window, nullptr, module,
                    nullptr);
}

HWND WizardWindow::CreateControl(const layout::Control& entry)
{
    const ClassAndStyle kind = StyleOf(entry);
    const int left = PixelsAcross(entry.x);
    const int top = PixelsDown(entry.y);
    const int width = PixelsAcross(entry.x + entry.width) - left;
    const int height = PixelsDown(entry.y + entry.height) - top;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style;
    if ((entry.flags & layout::alwaysShown) != 0) {
        style |= WS_VISIBLE;
    }
    const bool caption = entry.kind == layout::Kind::PushButton ||
                         entry.kind == layout::Kind::GroupBox ||
                         entry.kind == layout::Kind::RadioButton;
    const std::wstring text = caption ? LiteralCaption(entry.text) : ToWide(entry.text);
    // A drop-down list is created as high as its field and the list it drops: room for
    // eight rows.
    const int createdHeight = entry.kind == layout::Kind::ChoiceBox ? height * 9 : height;
    HWND control = CreateWindowExW(kind.extendedStyle, kind.windowClass, text.c_str(), style,
                                   left, top, width, createdHeight, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                   module, nullptr);
    if (control == nullptr) {
        return nullptr;
    }
    SendMessageW(control, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    switch (entry.kind) {
    case layout::Kind::Image:
        if (HBITMAP scaled = ScaledBitmap(entry.bitmap, width, height)) {
            bitmaps.emplace_back(scaled);
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled));
        }
        break;
    case layout::Kind::FilesetList:
        SetUpFilesetList(control);
        break;
    case layout::Kind::CheckList:
        SetUpCheckList(control);
        break;
    case layout::Kind::RadioButton: {
        // Only the circle and the text take a click, as the button is no wider than they are.
        SIZE ideal{};
        if (SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) &&
            ideal.cx > 0 && ideal.cx < width) {
            SetWindowPos(control, nullptr, 0, 0, ideal.cx, height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    }
    case layout::Kind::SummaryBox: {
        // Labels and values are separated by a tab: one stop past the longest label.
        HDC context = GetDC(control);
        const HGDIOBJ previous = SelectObject(context, reinterpret_cast<HFONT>(
                                                           SendMessageW(window, WM_GETFONT, 0, 0)));
        const std::wstring label = L" XML出力フォルダ";
        SIZE extent{};
        GetTextExtentPoint32W(context, label.c_str(), static_cast<int>(label.size()), &extent);
        SelectObject(context, previous);
        ReleaseDC(control, context);
        // Tab stops are in dialog units.
        const int stop = MulDiv(extent.cx + PixelsAcross(24), 1000, thousandAcross);
        SendMessageW(control, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
        break;
    }
    case layout::Kind::ProgressBar:
        SendMessageW(control, PBM_SETRANGE32, 0, 40);
        break;
    case layout::Kind::ChoiceBox: {
        // The field is as high as the font makes it; grown to the layout's height, it lines
        // up with the buttons beside it. The field is the item height and edges of the
        // system's own, found by setting a height and measuring.
        const auto field = static_cast<WPARAM>(-1);  // the item height of the field
        constexpr int probe = 16;
        SendMessageW(control, CB_SETITEMHEIGHT, field, probe);
        RECT shown{};
        GetWindowRect(control, &shown);
        const int edges = static_cast<int>(shown.bottom - shown.top) - probe;
        SendMessageW(control, CB_SETITEMHEIGHT, field, std::max(probe, height - edges));
        break;
    }
    default:
        break;
    }
    return control;
}

HBITMAP WizardWindow::ScaledBitmap(int resource, int width, int height)
{
    // Drawn once at the window's size with halftone, so the titles' text stays legible.
    const GdiObject source(LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0,
                                      LR_CREATEDIBSECTION));
    if (source.Get() == nullptr || width <= 0 || height <= 0) {
        return nullptr;
    }
    BITMAP size{};
    GetObjectW(source.Get(), sizeof(size), &size);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ oldFrom = SelectObject(from, source.Get());
    const HGDIOBJ oldTo = SelectObject(to, scaled);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return scaled;
}

void WizardWindow::SetUpFilesetList(HWND list)
{
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    ListView_SetImageList(list, listImages.Get(), LVSIL_SMALL);
    // The code column is as wide as its heading and four spaces; the name column takes
    // the rest but for room for a scroll bar.
    const int codeWidth = ListView_GetStringWidth(list, L"行政コード") +
                          ListView_GetStringWidth(list, L"    ");
    RECT client;
    GetClientRect(list, &client);
    std::wstring code = L"行政コード";
    std::wstring name = L"行政名";
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = codeWidth;
    column.pszText = code.data();
    ListView_InsertColumn(list, 0, &column);
    column.cx = client.right - codeWidth - 16;
    column.pszText = name.data();
    column.iSubItem = 1;
    ListView_InsertColumn(list, 1, &column);
}

void WizardWindow::SetUpCheckList(HWND list)
{
    // The three boxes as state images: unchecked, checked, indeterminate.
    const int size = 16;
    checkImages = ImageListHandle(ImageList_Create(size, size, ILC_COLOR32, 3, 0));
    HDC screen = GetDC(nullptr);
    HDC context = CreateCompatibleDC(screen);
    for (const UINT state : {0u, static_cast<UINT>(DFCS_CHECKED),
                             static_cast<UINT>(DFCS_BUTTON3STATE | DFCS_CHECKED)}) {
        const GdiObject box(CreateCompatibleBitmap(screen, size, size));
        const HGDIOBJ previous = SelectObject(context, box.Get());
        RECT area{0, 0, size, size};
        FillRect(context, &area, GetSysColorBrush(COLOR_WINDOW));
        RECT inner{1, 1, size - 2, size - 2};
        DrawFrameControl(context, &inner, DFC_BUTTON,
                         (state & DFCS_BUTTON3STATE) != 0 ? state : DFCS_BUTTONCHECK | state);
        SelectObject(context, previous);
        ImageList_Add(checkImages.Get(), static_cast<HBITMAP>(box.Get()), nullptr);
    }
    DeleteDC(context);
    ReleaseDC(nullptr, screen);
    ListView_SetImageList(list, checkImages.Get(), LVSIL_STATE);
    RECT client;
    GetClientRect(list, &client);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(list, 0, &column);
}

void WizardWindow::OnCommand(int id, int code)
{
    using namespace control;
    if (id == introText) {
        if (code == EN_SETFOCUS) {
            logic->OnIntroTextFocused();
        }
        return;
    }
    if (id == previewChoice) {
        if (code == CBN_SELCHANGE) {
            const LRESULT chosen = SendMessageW(Control(previewChoice), CB_GETCURSEL, 0, 0);
            if (chosen >= 0) {
                logic->OnPreviewChosen(static_cast<int>(chosen));
            }
        }
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    WizardDialog& wizard = *logic;
    switch (id) {
    case IDCANCEL:  // Escape
    case cancel:
        wizard.OnCancel();
        break;
    case help:
        wizard.OnHelp();
        break;
    case back:
        wizard.OnBack();
        break;
    case next:
        wizard.OnNext();
        break;
    case csvBrowse:
        wizard.OnBrowseCsv();
        break;
    case dtdBrowse:
        wizard.OnBrowseDtd();
        break;
    case dataBrowse:
        wizard.OnBrowseData();
        break;
    case xmlBrowse:
        wizard.OnBrowseXml();
        break;
    case addFileset:
        wizard.OnAdd();
        break;
    case removeFileset:
        wizard.OnRemove();
        break;
    case selectAll:
        wizard.OnSelectAll();
        break;
    case clearAll:
        wizard.OnClearAll();
        break;
    case openOutputFolder:
        wizard.OnOpenOutputFolder();
        break;
    case validate:
        wizard.OnValidate();
        break;
    case savePreview:
        wizard.OnSavePreview();
        break;
    case integratedFile:
    case perKindFile:
    case dtdCopy:
    case noDtdCopy:
    case utf8:
    case shiftJis:
        wizard.OnRadioClicked(id);
        break;
    default:
        // IDOK: Enter while no default button is set presses nothing.
        break;
    }
}

LRESULT WizardWindow::OnNotify(const NMHDR& header)
{
    const int id = static_cast<int>(header.idFrom);
    if (id == control::allFilesetList || id == control::chosenFilesetList) {
        const bool add = id == control::allFilesetList;
        const bool space = header.code == LVN_KEYDOWN &&
                           reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE;
        if (header.code == NM_DBLCLK || space) {
            add ? logic->OnAdd() : logic->OnRemove();
        }
        return 0;
    }
    if (id == control::featureFilesetList && header.code == LVN_ITEMCHANGED && !filling) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) != 0 &&
            ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
            logic->OnFeatureFilesetChanged(
                ListView_GetNextItem(header.hwndFrom, -1, LVNI_SELECTED));
        }
        return 0;
    }
    if (id == control::featureCheckList) {
        if (header.code == LVN_ITEMCHANGING) {
            // The items are never selected; the boxes are the list's only state.
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            return (change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0;
        }
        if (header.code == NM_CLICK) {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            LVHITTESTINFO hit{};
            hit.pt = click.ptAction;
            if (ListView_HitTest(header.hwndFrom, &hit) >= 0 &&
                (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
                ToggleCheck(hit.iItem);
            }
        } else if (header.code == LVN_KEYDOWN &&
                   reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE) {
            ToggleCheck(ListView_GetNextItem(header.hwndFrom, -1, LVNI_FOCUSED));
        }
    }
    return 0;
}

void WizardWindow::ToggleCheck(int item)
{
    if (checkStyle != CheckStyle::TwoStateAuto || item < 0 ||
        static_cast<std::size_t>(item) >= checks.size()) {
        return;
    }
    CheckState& state = checks[static_cast<std::size_t>(item)];
    state = state == CheckState::Unchecked ? CheckState::Checked : CheckState::Unchecked;
    ListView_SetItemState(Control(control::featureCheckList), item, StateImage(state),
                          LVIS_STATEIMAGEMASK);
    logic->OnFeatureToggled(item, state == CheckState::Checked);
}

void WizardWindow::Show(int id, bool shown)
{
    if (HWND control = Control(id)) {
        ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
        ApplyPendingFocus();
    }
}

void WizardWindow::Enable(int id, bool enabled)
{
    if (HWND control = Control(id)) {
        EnableWindow(control, enabled);
        ApplyPendingFocus();
    }
}

void WizardWindow::Focus(int id)
{
    pendingFocusId = id;
    ApplyPendingFocus();
}

void WizardWindow::ApplyPendingFocus()
{
    HWND control = Control(pendingFocusId);
    if (control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0 &&
        IsWindowEnabled(control)) {
        pendingFocusId = 0;
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void WizardWindow::SetDefaultButton(int id)
{
    defaultButtonId = id;
    SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(id), 0);
    // The dialog manager restyles only the buttons it knows to be involved.
    for (const layout::Control& entry : layout::Controls()) {
        if (entry.kind == layout::Kind::PushButton) {
            SendMessageW(Control(entry.id), BM_SETSTYLE,
                         entry.id == id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        }
    }
}

void WizardWindow::SetText(int id, const std::string& text)
{
    HWND control = Control(id);
    const layout::Control* entry = layout::Find(id);
    if (control == nullptr || entry == nullptr) {
        return;
    }
    switch (entry->kind) {
    case layout::Kind::PushButton:
    case layout::Kind::GroupBox:
    case layout::Kind::RadioButton:
        SetWindowTextW(control, LiteralCaption(text).c_str());
        break;
    case layout::Kind::PathEdit:
        SetWindowTextW(control, ToWide(text).c_str());
        SendMessageW(control, EM_SETSEL, 0, 0);
        break;
    default:
        SetWindowTextW(control, ToWide(text).c_str());
        break;
    }
}

void WizardWindow::SetRows(int listId, const std::vector<ListRow>& rows)
{
    HWND list = Control(listId);
    if (list == nullptr) {
        return;
    }
    filling = true;
    ListView_DeleteAllItems(list);
    int index = 0;
    for (const ListRow& row : rows) {
        std::wstring code = ToWide(row.code);
        std::wstring name = ToWide(row.name);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index;
        item.pszText = code.data();
        item.iImage = 0;
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, index, 1, name.data());
        ++index;
    }
    filling = false;
}

std::vector<int> WizardWindow::SelectedRows(int listId)
{
    std::vector<int> rows;
    if (HWND list = Control(listId)) {
        for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
             row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
            rows.push_back(row);
        }
    }
    return rows;
}

void WizardWindow::SetItems(int listId, const std::vector<std::string>& items)
{
    HWND list = Control(listId);
    if (list == nullptr) {
        return;
    }
    ListView_DeleteAllItems(list);
    checks.assign(items.size(), CheckState::Unchecked);
    int index = 0;
    for (const std::string& text : items) {
        std::wstring wide = ToWide(text);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = index++;
        item.pszText = wide.data();
        item.state = StateImage(CheckState::Unchecked);
        item.stateMask = LVIS_STATEIMAGEMASK;
        ListView_InsertItem(list, &item);
    }
}

void WizardWindow::SetCheckStyle(int, CheckStyle style)
{
    checkStyle = style;
}

void WizardWindow::SetChecks(int, const std::vector<CheckState>& states)
{
    const std::size_t count = std::min(checks.size(), states.size());
    std::copy_n(states.begin(), count, checks.begin());
    ShowChecks();
}

void WizardWindow::ShowChecks()
{
    HWND list = Control(control::featureCheckList);
    for (std::size_t item = 0; item < checks.size(); ++item) {
        ListView_SetItemState(list, static_cast<int>(item), StateImage(checks[item]),
                              LVIS_STATEIMAGEMASK);
    }
}

void WizardWindow::SetRadio(int id, bool checked)
{
    SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void WizardWindow::SetProgressRange(int low, int high)
{
    SendMessageW(Control(control::progressBar), PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void WizardWindow::SetProgressPosition(int position)
{
    SendMessageW(Control(control::progressBar), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

std::optional<PictureSize> WizardWindow::LoadPicture(int id, const std::filesystem::path& file)
{
    HWND control = Control(id);
    GdiObject loaded(LoadImageW(nullptr, file.wstring().c_str(), IMAGE_BITMAP, 0, 0,
                                LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (control == nullptr || loaded.Get() == nullptr) {
        return std::nullopt;
    }
    BITMAP size{};
    GetObjectW(loaded.Get(), sizeof(size), &size);
    SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(loaded.Get()));
    picture = std::move(loaded);
    return PictureSize{size.bmWidth, size.bmHeight};
}

void WizardWindow::Place(int id, int x, int y, int width, int height)
{
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    const int left = PixelsAcross(x);
    const int top = PixelsDown(y);
    const int bottom = std::min(top + height, PixelsDown(layout::separatorTop));
    SetWindowPos(control, nullptr, left, top, width, std::max(0, bottom - top),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
}

void WizardWindow::SetChoices(int id, const std::vector<std::string>& items, int chosen)
{
    HWND box = Control(id);
    if (box == nullptr) {
        return;
    }
    // Neither message reports a change: only the user's choice does (CBN_SELCHANGE).
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

void WizardWindow::SetPicture(int id, const RgbPicture* shown)
{
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (shown == nullptr || shown->width <= 0 || shown->height <= 0) {
        maps.erase(id);
    } else {
        maps[id] = MapBitmap{shown, {}, {}};
    }
    InvalidateRect(control, nullptr, TRUE);
}

void WizardWindow::PaintMap(const DRAWITEMSTRUCT& item)
{
    const RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    const auto found = maps.find(static_cast<int>(item.CtlID));
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    if (found == maps.end() || areaWidth <= 0 || areaHeight <= 0) {
        return;
    }
    MapBitmap& bitmap = found->second;
    const RgbPicture& source = *bitmap.source;
    // Scaled down, never up, by the one factor that fits both ways; the side that
    // decides fills the area, the other is centred.
    int width = source.width;
    int height = source.height;
    if (source.width > areaWidth || source.height > areaHeight) {
        if (static_cast<long long>(source.width) * areaHeight >=
            static_cast<long long>(source.height) * areaWidth) {
            width = areaWidth;
            height = std::max(1, MulDiv(source.height, areaWidth, source.width));
        } else {
            height = areaHeight;
            width = std::max(1, MulDiv(source.width, areaHeight, source.height));
        }
    }
    BITMAPINFOHEADER& header = bitmap.format.bmiHeader;
    if (bitmap.bits.empty() || header.biWidth != width || -header.biHeight != height) {
        header.biSize = sizeof(header);
        header.biWidth = width;
        header.biHeight = -height;  // rows from the top
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        bitmap.bits = ScaledDown(source, width, height);
    }
    StretchDIBits(item.hDC, area.left + (areaWidth - width) / 2,
                  area.top + (areaHeight - height) / 2, width, height, 0, 0, width, height,
                  bitmap.bits.data(), &bitmap.format, DIB_RGB_COLORS, SRCCOPY);
}

void WizardWindow::AddAboutItem(const std::string& text)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, aboutCommand, ToWide(text).c_str());
}

void WizardWindow::Beep()
{
    if (beeper) {
        beeper();
    }
}

void WizardWindow::EndDialog()
{
    ended = true;
    if (modal) {
        ::EndDialog(window, 0);
    } else {
        ShowWindow(window, SW_HIDE);
    }
}

void WizardWindow::ProcessPendingEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}
