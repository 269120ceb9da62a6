// The map preview in the Windows window under Wine: the choice box, the map picture as it
// paints itself, and the save-file dialog.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "platform/Picture.h"
#include "platform/FileSystem.h"
#include "tests/TestSupport.h"
#include "tests/win/WinDriver.h"
#include "win/WideText.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

// A control's client area as it paints itself into a bitmap of ours (WM_PRINTCLIENT), as
// 0xRRGGBB pixels.
class Painted
{
public:
    explicit Painted(HWND control)
    {
        RECT client{};
        GetClientRect(control, &client);
        width = client.right;
        height = client.bottom;
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = width;
        format.bmiHeader.biHeight = -height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC context = CreateCompatibleDC(nullptr);
        HBITMAP canvas = CreateDIBSection(context, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ previous = SelectObject(context, canvas);
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(context), PRF_CLIENT);
        GdiFlush();
        const auto* bytes = static_cast<const std::uint32_t*>(bits);
        pixels.assign(bytes, bytes + static_cast<std::size_t>(width) * height);
        SelectObject(context, previous);
        DeleteObject(canvas);
        DeleteDC(context);
    }
    std::uint32_t At(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
    }

    int width = 0;
    int height = 0;

private:
    std::vector<std::uint32_t> pixels;
};

std::uint32_t DialogColour()
{
    const COLORREF colour = GetSysColor(COLOR_BTNFACE);
    return static_cast<std::uint32_t>(GetRValue(colour)) << 16 |
           static_cast<std::uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
}

void Fill(RgbPicture& picture, int left, int top, int right, int bottom, std::uint32_t colour)
{
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            std::uint8_t* pixel = picture.At(x, y);
            pixel[0] = static_cast<std::uint8_t>(colour >> 16);
            pixel[1] = static_cast<std::uint8_t>(colour >> 8);
            pixel[2] = static_cast<std::uint8_t>(colour);
        }
    }
}

std::vector<std::string> Choices(HWND box)
{
    std::vector<std::string> items;
    const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        const auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        items.push_back(FromWide(text));
    }
    return items;
}

}

// The choice box is a drop-down list that takes no typing, as high as the buttons beside
// it; the logic's texts replace what it held, and the chosen one shows.
TEST_F(WinWizardTest, ChoiceBoxHoldsTheTextsTheLogicSets)
{
    Open();
    HWND box = Control(previewChoice);
    EXPECT_EQ(static_cast<LONG>(CBS_DROPDOWNLIST), GetWindowLongW(box, GWL_STYLE) & 3);
    RECT field{};
    GetWindowRect(box, &field);
    const layout::Control& entry = *layout::Find(previewChoice);
    EXPECT_EQ(window->PixelsDown(entry.y + entry.height) - window->PixelsDown(entry.y),
              field.bottom - field.top);

    window->SetChoices(previewChoice, {"実行結果", "44201 大分市", "44202 別府市"}, 1);
    EXPECT_EQ((std::vector<std::string>{"実行結果", "44201 大分市", "44202 別府市"}),
              Choices(box));
    EXPECT_EQ(1, SendMessageW(box, CB_GETCURSEL, 0, 0));
    EXPECT_EQ("44201 大分市", WindowText(box));
    window->SetChoices(previewChoice, {"実行結果", "44203 中津市"}, 0);
    EXPECT_EQ((std::vector<std::string>{"実行結果", "44203 中津市"}), Choices(box));
    EXPECT_EQ(0, SendMessageW(box, CB_GETCURSEL, 0, 0));
}

// The map picture shows the picture scaled down by the one factor that fits, centred on
// the dialog's colour: at exactly half when it is twice the space, averaging each 2 × 2
// block; a smaller one at its own size; a tall one fitted to the height; none at all
// after null.
TEST_F(WinWizardTest, MapPictureShowsThePictureScaledToFitAndCentred)
{
    Open();
    HWND control = Control(previewPicture);
    window->Show(previewPicture, true);
    // A space of exactly 100 × 50 inside the edge.
    RECT frame{};
    RECT client{};
    GetWindowRect(control, &frame);
    GetClientRect(control, &client);
    SetWindowPos(control, nullptr, 0, 0, 100 + (frame.right - frame.left - client.right),
                 50 + (frame.bottom - frame.top - client.bottom),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(window->Handle());
    const std::uint32_t background = DialogColour();
    {
        const Painted empty(control);
        ASSERT_EQ(100, empty.width);
        ASSERT_EQ(50, empty.height);
        EXPECT_EQ(background, empty.At(50, 25));
    }

    // Twice the space: a green frame two pixels wide, red and blue halves, and a band of
    // one-pixel black and white columns.
    RgbPicture twice(200, 100, 0x00C000);
    Fill(twice, 2, 2, 100, 98, 0xC00000);
    Fill(twice, 100, 2, 198, 98, 0x0000C0);
    for (int x = 40; x < 160; x += 2) {
        Fill(twice, x, 80, x + 1, 96, 0x000000);
        Fill(twice, x + 1, 80, x + 2, 96, 0xFFFFFF);
    }
    window->SetPicture(previewPicture, &twice);
    {
        const Painted shown(control);
        for (const auto& [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}}) {
            EXPECT_EQ(0x00C000u, shown.At(x, y)) << x << "," << y;
        }
        EXPECT_EQ(0xC00000u, shown.At(25, 20));
        EXPECT_EQ(0x0000C0u, shown.At(75, 20));
        // Each pixel averages a black and a white column.
        const std::uint32_t grey = shown.At(50, 44);
        EXPECT_NEAR(0x80, static_cast<int>(grey & 0xFF), 8) << std::hex << grey;
    }

    // Smaller than the space: not enlarged, centred.
    RgbPicture small(40, 20, 0xC00000);
    window->SetPicture(previewPicture, &small);
    {
        const Painted shown(control);
        EXPECT_EQ(background, shown.At(29, 25));
        EXPECT_EQ(0xC00000u, shown.At(30, 15));
        EXPECT_EQ(0xC00000u, shown.At(69, 34));
        EXPECT_EQ(background, shown.At(70, 25));
        EXPECT_EQ(background, shown.At(50, 14));
        EXPECT_EQ(background, shown.At(50, 35));
    }

    // Tall: 40 × 200 fits as 10 × 50.
    RgbPicture tall(40, 200, 0x0000C0);
    window->SetPicture(previewPicture, &tall);
    {
        const Painted shown(control);
        EXPECT_EQ(background, shown.At(44, 25));
        EXPECT_EQ(0x0000C0u, shown.At(45, 0));
        EXPECT_EQ(0x0000C0u, shown.At(54, 49));
        EXPECT_EQ(background, shown.At(55, 25));
    }

    window->SetPicture(previewPicture, nullptr);
    EXPECT_EQ(background, Painted(control).At(50, 25));
}

// The save-file dialog offers the suggested name in the start folder, adds the filter's
// extension to a name typed without one, and gives nothing when cancelled.
TEST_F(WinWizardTest, SaveFileDialogOffersTheSuggestedName)
{
    TempFolder folder;
    Open();
    const FileFilter filter{"PNG画像(*.png)", "*.png"};
    EXPECT_EQ(L"png", WinFilePicker::DefaultExtension(filter));
    EXPECT_EQ(L"", WinFilePicker::DefaultExtension({"全て(*)", "*"}));
    WinFilePicker dialogs;
    answerer->Queue(Answer::Button(IDOK));
    EXPECT_EQ(folder.Path() / "44201.png",
              dialogs.ChooseSaveFile(filter, folder.Path(), "44201.png"));
    // The name field of the dialog: a combo box in the explorer form.
    answerer->beforeAnswer = [](HWND dialog) {
        HWND name = GetDlgItem(dialog, cmb13);
        SetWindowTextW(name != nullptr ? name : GetDlgItem(dialog, edt1), L"地図");
    };
    answerer->Queue(Answer::Button(IDOK));
    EXPECT_EQ(folder.Path() / fs::path(u8"地図.png"),
              dialogs.ChooseSaveFile(filter, folder.Path(), "44201.png"));
    answerer->beforeAnswer = nullptr;
    answerer->Queue(Answer::Button(IDCANCEL));
    EXPECT_EQ(std::nullopt, dialogs.ChooseSaveFile(filter, folder.Path(), "44201.png"));
}

// After a run, the choice box offers the report and each fileset's map; choosing a map
// (as the user does: a new selection and its notification) shows it over the report at
// exactly half the size the batch tool writes it, and 地図を保存 writes the same PNG
// where the save-file dialog chose. Choosing the report shows the report again.
TEST_F(WinWizardTest, ChosenMapIsShownAndSavedAsTheBatchToolDrawsIt)
{
    TempFolder out;
    TempFolder batch;
    const fs::path demo = Demo();
    ASSERT_EQ(0, RunProgram("ordevik-batch.exe",
                            {L"--csv", (demo / "filesets.csv").wstring(), L"--data",
                             (demo / "data").wstring(), L"--dtd", (demo / "dtd").wstring(),
                             L"--out", (batch / "xml").wstring(), L"--preview",
                             (batch / "maps").wstring(), L"--quiet"}));
    const std::vector<std::uint32_t> drawn = ReadPng(batch / "maps" / "44201.png");
    ASSERT_EQ((std::vector<std::uint32_t>{1128, 532}),
              std::vector<std::uint32_t>(drawn.begin(), drawn.begin() + 2));

    Open();
    ToFilesetPage(out.Path());
    SelectRows(allFilesetList, {0, 1, 2});
    Click(addFileset);
    Click(next);
    Click(next);
    Click(next);
    answerer->Queue(Answer::Button(1078));  // 全てスキップ
    Click(next);
    ASSERT_EQ(6, window->Logic().PageIndex());
    HWND box = Control(previewChoice);
    EXPECT_EQ(4, SendMessageW(box, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(box, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Visible(previewChoice) && Enabled(previewChoice) && Visible(savePreview));
    EXPECT_FALSE(Enabled(savePreview) || Visible(previewPicture));
    EXPECT_TRUE(Visible(reportText));

    // The space at exactly half the picture.
    HWND picture = Control(previewPicture);
    SetWindowPos(picture, nullptr, 0, 0, 564, 266, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    auto choose = [&](int item) {
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(previewChoice, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        Pump(window->Handle());
    };
    choose(1);
    EXPECT_TRUE(Visible(previewPicture) && Enabled(savePreview));
    EXPECT_FALSE(Visible(reportText) || Visible(progressBar));
    const Painted shown(picture);
    ASSERT_EQ(564, shown.width);
    ASSERT_EQ(266, shown.height);
    // Each pixel is the rounded mean of its 2 × 2 block, channel by channel.
    int differing = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            std::uint32_t expected = 0;
            for (const int shift : {16, 8, 0}) {
                unsigned sum = 2;
                for (const int at : {0, 1, 1128, 1129}) {
                    sum += drawn[2 + static_cast<std::size_t>(2 * y) * 1128 + 2 * x + at] >>
                               shift & 0xFF;
                }
                expected |= (sum / 4) << shift;
            }
            differing += shown.At(x, y) != expected;
        }
    }
    EXPECT_EQ(0, differing);

    picker.saveFiles.push_back(out / "saved.png");
    Click(savePreview);
    ASSERT_EQ(1u, picker.suggestedNames.size());
    EXPECT_EQ(fs::path("44201.png"), picker.suggestedNames[0]);
    EXPECT_EQ((FileFilter{"PNG 画像 (*.png)", "*.png"}), picker.saveFilters[0]);
    EXPECT_EQ(drawn, ReadPng(out / "saved.png"));
    EXPECT_EQ("地図を保存しました: " + PathText(out / "saved.png"), Text(reportNotice));

    choose(0);
    EXPECT_TRUE(Visible(reportText));
    EXPECT_FALSE(Visible(previewPicture) || Enabled(savePreview));
}
