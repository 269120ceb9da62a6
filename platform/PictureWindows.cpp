// PNG files and text lines on Windows: the Windows Imaging Component encodes, GDI draws.
#ifdef _WIN32

#include "platform/Picture.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "platform/FileSystem.h"

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

namespace {

// Keeps COM initialised on this thread for the length of one call, unless the thread
// had it already. A thread already in the other apartment model (a window's thread is
// single-threaded) uses COM as it is.
class ComForThisCall
{
public:
    ComForThisCall() : result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;
    ~ComForThisCall()
    {
        if (SUCCEEDED(result)) {
            CoUninitialize();  // S_FALSE too: every successful call counts
        }
    }
    HRESULT Failure() const
    {
        return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE ? S_OK : result;
    }

private:
    HRESULT result;
};

// Why a call failed, as UTF-8: the system's text for the code when it has one (in the
// system's language), and the code itself. The caller names the file.
std::string Reason(HRESULT code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    // The system ends its texts with a full stop and a line break.
    while (!message.empty() && std::wstring_view(L"\r\n .。").find(message.back()) !=
                                   std::wstring_view::npos) {
        message.pop_back();
    }
    wchar_t number[16] = {};
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(code));
    message = message.empty() ? std::wstring(number) : message + L" (" + number + L")";
    return Utf8Text(message);
}

// A file beside `file` that no other call of this process writes at the same time.
fs::path TemporaryBeside(const fs::path& file)
{
    static std::atomic<unsigned> counter{0};
    std::wstring name = file.filename().native();
    name += L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
            L".tmp";
    return file.parent_path() / name;
}

// Encodes the picture into `file`, which it creates or replaces, as 24-bit PNG.
HRESULT Encode(const fs::path& file, const RgbPicture& picture)
{
    ComPtr<IWICImagingFactory> factory;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&factory));
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(result)) {
        result = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(result)) {
        result = stream->InitializeFromFilename(SystemPath(file).c_str(), GENERIC_WRITE);
    }
    ComPtr<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(result)) {
        result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    }
    if (SUCCEEDED(result)) {
        result = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    }
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (SUCCEEDED(result)) {
        result = encoder->CreateNewFrame(&frame, &options);
    }
    if (SUCCEEDED(result)) {
        result = frame->Initialize(options.Get());
    }
    if (SUCCEEDED(result)) {
        result = frame->SetSize(static_cast<UINT>(picture.width),
                                static_cast<UINT>(picture.height));
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(result)) {
        result = frame->SetPixelFormat(&format);
    }
    if (SUCCEEDED(result) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    // The encoder takes blue, green, red; a band of rows at a time keeps the copy small.
    constexpr int bandRows = 64;
    const auto stride = static_cast<std::size_t>(picture.width) * 3;
    std::vector<BYTE> band;
    for (int top = 0; SUCCEEDED(result) && top < picture.height; top += bandRows) {
        const int rows = std::min(bandRows, picture.height - top);
        band.assign(picture.At(0, top), picture.At(0, top) + stride * rows);
        for (std::size_t at = 0; at < band.size(); at += 3) {
            std::swap(band[at], band[at + 2]);
        }
        result = frame->WritePixels(static_cast<UINT>(rows), static_cast<UINT>(stride),
                                    static_cast<UINT>(band.size()), band.data());
    }
    if (SUCCEEDED(result)) {
        result = frame->Commit();
    }
    if (SUCCEEDED(result)) {
        result = encoder->Commit();
    }
    return result;
}

// The first Japanese Gothic face the system has, in the order of `wanted`; else the first
// face of any name for Japanese text; empty when there is none.
std::wstring FindJapaneseFace()
{
    struct Search
    {
        std::wstring found;
    } search;
    const auto take = [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
        // A face whose name begins with "@" is the same face set for vertical writing.
        if (font->lfFaceName[0] == L'@') {
            return 1;
        }
        reinterpret_cast<Search*>(data)->found = font->lfFaceName;
        return 0;
    };
    HDC context = CreateCompatibleDC(nullptr);
    const wchar_t* const wanted[] = {L"Yu Gothic UI", L"Meiryo UI", L"ＭＳ Ｐゴシック",
                                     L"MS PGothic",   L"Meiryo",    L"ＭＳ ゴシック",
                                     L"MS Gothic",    L"Yu Gothic", L""};
    for (const wchar_t* face : wanted) {
        LOGFONTW font{};
        font.lfCharSet = SHIFTJIS_CHARSET;
        wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
        EnumFontFamiliesExW(context, &font, take, reinterpret_cast<LPARAM>(&search), 0);
        if (!search.found.empty()) {
            // Asked by name, the face is the one found under that name.
            if (face[0] != L'\0') {
                search.found = face;
            }
            break;
        }
    }
    DeleteDC(context);
    return search.found;
}

const std::wstring& JapaneseFace()
{
    static const std::wstring face = FindJapaneseFace();
    return face;
}

}

std::string WritePng(const fs::path& file, const RgbPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) {
        return "the picture is empty";
    }
    const ComForThisCall com;
    if (FAILED(com.Failure())) {
        return Reason(com.Failure());
    }
    // Written whole beside the target, then moved over it: a reader sees the old file or
    // the new one, and a failure leaves no part of one.
    const fs::path temporary = TemporaryBeside(file);
    HRESULT result = Encode(temporary, picture);
    if (SUCCEEDED(result) &&
        !MoveFileExW(SystemPath(temporary).c_str(), SystemPath(file).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        result = HRESULT_FROM_WIN32(GetLastError());
    }
    if (FAILED(result)) {
        DeleteFileW(SystemPath(temporary).c_str());
        return Reason(result);
    }
    return {};
}

void PrepareTextDrawing(std::vector<TextLine>)
{
    // The face is found with a few calls to GDI when the first text is drawn.
}

std::optional<TextBitmap> DrawTextLine(std::string_view utf8, int pixelSize)
{
    const std::wstring& face = JapaneseFace();
    if (face.empty() || pixelSize <= 0) {
        return std::nullopt;
    }
    LOGFONTW wanted{};
    wanted.lfHeight = -pixelSize;  // negative: the em, not the cell
    wanted.lfWeight = FW_NORMAL;
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    // Grey levels; ClearType would give each channel its own coverage.
    wanted.lfQuality = ANTIALIASED_QUALITY;
    wcsncpy(wanted.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&wanted);
    if (font == nullptr) {
        return std::nullopt;
    }
    HDC context = CreateCompatibleDC(nullptr);
    const HGDIOBJ previousFont = SelectObject(context, font);
    const std::wstring text = Utf16Text(utf8);
    TEXTMETRICW metrics{};
    SIZE extent{};
    GetTextMetricsW(context, &metrics);
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
    TextBitmap bitmap;
    bitmap.width = static_cast<int>(extent.cx);
    bitmap.height = static_cast<int>(metrics.tmAscent + metrics.tmDescent);
    const std::size_t count = static_cast<std::size_t>(bitmap.width) * bitmap.height;
    bool drawn = count == 0;  // an empty text is a line of no ink
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.width;
    format.bmiHeader.biHeight = -bitmap.height;  // rows from the top
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP canvas =
        count > 0 ? CreateDIBSection(context, &format, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (canvas != nullptr && bits != nullptr) {
        const HGDIOBJ previousBitmap = SelectObject(context, canvas);
        std::memset(bits, 0, count * 4);
        SetTextColor(context, RGB(255, 255, 255));
        SetBkMode(context, TRANSPARENT);
        SetTextAlign(context, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        TextOutW(context, 0, 0, text.c_str(), static_cast<int>(text.size()));
        GdiFlush();
        // White on black: any one channel is the ink's coverage; green is byte 1 of B, G, R, x.
        bitmap.coverage.resize(count);
        const auto* pixel = static_cast<const std::uint8_t*>(bits);
        for (std::size_t at = 0; at < count; ++at) {
            bitmap.coverage[at] = pixel[at * 4 + 1];
        }
        SelectObject(context, previousBitmap);
        drawn = true;
    }
    if (canvas != nullptr) {
        DeleteObject(canvas);
    }
    SelectObject(context, previousFont);
    DeleteDC(context);
    DeleteObject(font);
    if (!drawn) {
        return std::nullopt;  // no memory for the bitmap: the caller leaves the text out
    }
    return bitmap;
}

#endif
