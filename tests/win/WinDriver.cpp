#include "tests/win/WinDriver.h"

#include <algorithm>

#include <wincodec.h>
#include <wrl/client.h>

#include <commctrl.h>

#include "win/WideText.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

DialogAnswerer* DialogAnswerer::current = nullptr;

using Microsoft::WRL::ComPtr;

namespace {

constexpr const wchar_t* answeredMark = L"OrdevikTestAnswered";

}

DialogAnswerer::DialogAnswerer(HWND wizardWindow) : wizard(wizardWindow)
{
    current = this;
    timer = SetTimer(nullptr, 0, 20, Tick);
}

DialogAnswerer::~DialogAnswerer()
{
    KillTimer(nullptr, timer);
    current = nullptr;
}

void CALLBACK DialogAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (current != nullptr) {
        current->Look();
    }
}

void DialogAnswerer::Look()
{
    struct Search
    {
        HWND wizard;
        HWND found = nullptr;
    } search{wizard};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto* state = reinterpret_cast<Search*>(data);
            wchar_t name[16] = {};
            GetClassNameW(candidate, name, 16);
            if (candidate != state->wizard && std::wstring(name) == L"#32770" &&
                IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
                state->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    // A dialog is answered once; the next tick may still see it closing. A mark on the
    // window tells, since a new dialog may get the handle of one that is gone.
    if (search.found == nullptr || GetPropW(search.found, answeredMark) != nullptr ||
        answers.empty()) {
        return;
    }
    HWND dialog = search.found;
    SetPropW(dialog, answeredMark, reinterpret_cast<HANDLE>(1));
    SeenDialog dialogSeen;
    dialogSeen.caption = WindowText(dialog);
    dialogSeen.message = WindowText(GetDlgItem(dialog, 1076));
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (std::wstring(name) == L"Button") {
            dialogSeen.buttons.push_back(GetDlgCtrlID(child));
            dialogSeen.buttonTexts.push_back(WindowText(child));
        }
    }
    dialogSeen.focus = GetDlgCtrlID(GetFocus());
    const LRESULT defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    // Without a default button of its own the dialog manager names IDOK, which such a
    // dialog does not have.
    if (HIWORD(defaultId) == DC_HASDEFID && GetDlgItem(dialog, LOWORD(defaultId)) != nullptr) {
        dialogSeen.defaultButton = LOWORD(defaultId);
    }
    GetWindowRect(dialog, &dialogSeen.frame);
    seen.push_back(dialogSeen);
    if (beforeAnswer) {
        beforeAnswer(dialog);
    }
    const Answer answer = answers.front();
    answers.erase(answers.begin());
    if (answer.button != 0) {
        // The notification a click of the button sends.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer.button)));
    } else {
        PostMessageW(GetFocus(), WM_KEYDOWN, answer.key, 0);
    }
}

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return FromWide(text);
}

void Pump(HWND wizard)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (wizard == nullptr || !IsDialogMessageW(wizard, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

int RunProgram(const std::string& name, const std::vector<std::wstring>& arguments,
               DWORD waitMilliseconds, const std::function<void(DWORD)>& whileRunning)
{
    const std::filesystem::path program = std::filesystem::path(ORDEVIK_BUILD_DIR) / name;
    std::wstring command = L"\"" + program.wstring() + L"\"";
    for (const std::wstring& argument : arguments) {
        command += L" \"" + argument + L"\"";
    }
    // The batch tool's dialog lines go nowhere: the test compares what it writes.
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE nowhere = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited,
                                 OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                       nullptr, nullptr, &startup, &process);
    CloseHandle(nowhere);
    if (!started) {
        return -1;
    }
    if (whileRunning) {
        whileRunning(process.dwProcessId);
    }
    DWORD status = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, waitMilliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &status);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}


std::vector<std::uint32_t> ReadPng(const std::filesystem::path& file)
{
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    GUID container{};
    UINT width = 0;
    UINT height = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(file.wstring().c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetContainerFormat(&container)) ||
        !IsEqualGUID(container, GUID_ContainerFormatPng) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), &converted)) ||
        FAILED(converted->GetSize(&width, &height))) {
        return {};
    }
    const UINT stride = width * 3;
    std::vector<BYTE> bytes(static_cast<std::size_t>(stride) * height);
    if (FAILED(converted->CopyPixels(nullptr, stride, static_cast<UINT>(bytes.size()),
                                     bytes.data()))) {
        return {};
    }
    std::vector<std::uint32_t> pixels{width, height};
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        pixels.push_back(static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                         static_cast<std::uint32_t>(bytes[at + 1]) << 8 | bytes[at]);
    }
    return pixels;
}

std::filesystem::path WinWizardTest::Settings()
{
    return std::filesystem::path(ORDEVIK_BUILD_DIR) / "ordevik.ini";
}

std::filesystem::path WinWizardTest::Demo()
{
    return std::filesystem::path(ORDEVIK_SOURCE_DIR) / "samples" / "demo";
}

void WinWizardTest::SetUp()
{
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   (std::wstring(L"Software\\QXZ\\") + historyApplication).c_str());
}

void WinWizardTest::TearDown()
{
    answerer.reset();
    window.reset();
    Pump(nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   (std::wstring(L"Software\\QXZ\\") + historyApplication).c_str());
}

void WinWizardTest::Open(bool historyRequested)
{
    answerer.reset();
    window.reset();
    window = std::make_unique<WizardWindow>(GetModuleHandleW(nullptr),
                                            WizardServices{history, picker, opener, processExit},
                                            historyRequested, Settings(), [this] { ++beeps; });
    ASSERT_NE(nullptr, window->Create());
    answerer = std::make_unique<DialogAnswerer>(window->Handle());
    Pump(window->Handle());
}

bool WinWizardTest::Visible(int id) const
{
    return IsWindowVisible(Control(id)) != FALSE;
}

bool WinWizardTest::Enabled(int id) const
{
    return IsWindowEnabled(Control(id)) != FALSE;
}

void WinWizardTest::Click(int id)
{
    SendMessageW(Control(id), BM_CLICK, 0, 0);
    Pump(window->Handle());
}

void WinWizardTest::Press(WPARAM key)
{
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
    Pump(window->Handle());
}

int WinWizardTest::Focused() const
{
    return GetDlgCtrlID(GetFocus());
}

std::vector<int> WinWizardTest::Shown() const
{
    std::vector<int> shown;
    for (const layout::Control& entry : layout::Controls()) {
        if (Visible(entry.id)) {
            shown.push_back(entry.id);
        }
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

std::vector<std::string> WinWizardTest::Rows(int listId) const
{
    HWND list = Control(listId);
    std::vector<std::string> rows;
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        wchar_t code[256] = {};
        wchar_t name[256] = {};
        ListView_GetItemText(list, row, 0, code, 256);
        ListView_GetItemText(list, row, 1, name, 256);
        rows.push_back(FromWide(code) + " " + FromWide(name));
    }
    return rows;
}

void WinWizardTest::SelectRows(int listId, const std::vector<int>& rows)
{
    HWND list = Control(listId);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (const int row : rows) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    Pump(window->Handle());
}

std::string WinWizardTest::Boxes() const
{
    HWND list = Control(control::featureCheckList);
    std::string boxes;
    const int count = ListView_GetItemCount(list);
    for (int item = 0; item < count; ++item) {
        const UINT state = ListView_GetItemState(list, item, LVIS_STATEIMAGEMASK) >> 12;
        boxes += state == 2 ? '1' : state == 3 ? '?' : '0';
    }
    return boxes;
}

void WinWizardTest::Notify(int listId, UINT code, int item)
{
    NMITEMACTIVATE notice{};
    notice.hdr.hwndFrom = Control(listId);
    notice.hdr.idFrom = static_cast<UINT_PTR>(listId);
    notice.hdr.code = code;
    notice.iItem = item;
    if (item >= 0) {
        // The middle of the item's state icon, where a click toggles a box.
        RECT bounds{};
        ListView_GetItemRect(Control(listId), item, &bounds, LVIR_BOUNDS);
        notice.ptAction = {bounds.left + 8, (bounds.top + bounds.bottom) / 2};
    }
    SendMessageW(window->Handle(), WM_NOTIFY, static_cast<WPARAM>(listId),
                 reinterpret_cast<LPARAM>(&notice));
    Pump(window->Handle());
}

void WinWizardTest::ToFilesetPage(const std::filesystem::path& xmlFolder)
{
    Click(control::next);
    picker.files.push_back(Demo() / "filesets.csv");
    Click(control::csvBrowse);
    picker.folders.push_back(xmlFolder);
    Click(control::xmlBrowse);
    Click(control::next);
}
