// PNG files written with the Windows Imaging Component and read back with its decoder, and
// text lines drawn with GDI, under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "platform/Picture.h"
#include "tests/TestSupport.h"
#include "tests/win/WinDriver.h"

namespace fs = std::filesystem;

namespace {

// The same picture as ReadPng gives it.
std::vector<std::uint32_t> Expected(const RgbPicture& picture)
{
    std::vector<std::uint32_t> pixels{static_cast<std::uint32_t>(picture.width),
                                      static_cast<std::uint32_t>(picture.height)};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            pixels.push_back(picture.Colour(x, y));
        }
    }
    return pixels;
}

// The names in a folder, sorted.
std::vector<fs::path> Entries(const fs::path& folder)
{
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A picture of odd width (rows of a length no multiple of four bytes) and more rows than
// the writer copies at once, with a few pixels of their own colour.
RgbPicture Sample(std::uint32_t background)
{
    RgbPicture picture(7, 70, background);
    const struct
    {
        int x;
        int y;
        std::uint32_t colour;
    } marks[] = {{0, 0, 0xFF0000}, {6, 0, 0x00FF00}, {3, 35, 0x0000FF}, {0, 69, 0xFFFFFF},
                 {6, 69, 0x010203}, {5, 64, 0x808080}, {1, 63, 0xFEDCBA}};
    for (const auto& mark : marks) {
        std::uint8_t* pixel = picture.At(mark.x, mark.y);
        pixel[0] = static_cast<std::uint8_t>(mark.colour >> 16);
        pixel[1] = static_cast<std::uint8_t>(mark.colour >> 8);
        pixel[2] = static_cast<std::uint8_t>(mark.colour);
    }
    return picture;
}

}

// Every pixel comes back as written, from a thread that set COM up in the other model (the
// tests' thread is a window's) and from one that has none; a second write replaces the
// file; nothing else is left beside it.
TEST(PictureWindowsTest, WrittenPngReadsBackPixelForPixel)
{
    TempFolder folder;
    // Wine under a locale the system lacks cannot name files outside ASCII.
    const fs::path file = folder / "44201 map.png";
    const RgbPicture first = Sample(0x203040);
    ASSERT_EQ("", WritePng(file, first));
    EXPECT_EQ(Expected(first), ReadPng(file));

    const RgbPicture second = Sample(0xF0E0D0);
    std::string reason = "not run";
    std::thread([&] { reason = WritePng(file, second); }).join();
    EXPECT_EQ("", reason);
    EXPECT_EQ(Expected(second), ReadPng(file));
    EXPECT_EQ(std::vector<fs::path>{file.filename()}, Entries(folder.Path()));

    // The size of the preview, in one piece.
    const RgbPicture large(1128, 532, 0xFFFFFF);
    ASSERT_EQ("", WritePng(folder / "large.png", large));
    EXPECT_EQ(Expected(large), ReadPng(folder / "large.png"));
}

// A target that cannot be written gives the system's reason and leaves no file: a folder
// that does not exist, a folder in the file's place, an empty picture. An existing file
// stays as it was.
TEST(PictureWindowsTest, FailedWriteSaysWhyAndLeavesNothing)
{
    TempFolder folder;
    const RgbPicture picture = Sample(0);
    const fs::path missing = folder / "missing" / "map.png";
    std::string reason = WritePng(missing, picture);
    // ERROR_PATH_NOT_FOUND as the system gives it.
    EXPECT_NE(std::string::npos, reason.find("(0x80070003)")) << reason;
    EXPECT_FALSE(fs::exists(folder / "missing"));

    fs::create_directory(folder / "taken.png");
    reason = WritePng(folder / "taken.png", picture);
    EXPECT_NE("", reason);
    EXPECT_TRUE(fs::is_directory(folder / "taken.png"));
    EXPECT_EQ(std::vector<fs::path>{"taken.png"}, Entries(folder.Path()));

    ASSERT_EQ("", WritePng(folder / "kept.png", picture));
    EXPECT_EQ("the picture is empty", WritePng(folder / "kept.png", RgbPicture()));
    EXPECT_EQ(Expected(picture), ReadPng(folder / "kept.png"));
    EXPECT_EQ((std::vector<fs::path>{"kept.png", "taken.png"}), Entries(folder.Path()));
}

// Japanese text gets ink in a bitmap as high as the face's ascent and descent, blank
// around the strokes; a longer text is wider; the same text draws the same from other
// threads; an empty text is a line of no ink, and no size draws nothing.
TEST(PictureWindowsTest, TextLineHasInkForJapaneseText)
{
    const std::optional<TextBitmap> road = DrawTextLine("道路", 24);
    ASSERT_TRUE(road.has_value());
    EXPECT_GE(road->height, 24);
    EXPECT_LE(road->height, 40);
    EXPECT_GE(road->width, 40);  // two full-width characters
    ASSERT_EQ(static_cast<std::size_t>(road->width) * road->height, road->coverage.size());
    const auto full = std::count_if(road->coverage.begin(), road->coverage.end(),
                                    [](std::uint8_t ink) { return ink >= 192; });
    const auto none = std::count(road->coverage.begin(), road->coverage.end(), 0);
    EXPECT_GT(full, 40);
    EXPECT_GT(none, static_cast<long>(road->coverage.size() / 3));
    // Grey levels at the strokes' edges: the face is smoothed.
    EXPECT_TRUE(std::any_of(road->coverage.begin(), road->coverage.end(),
                            [](std::uint8_t ink) { return ink > 16 && ink < 224; }));

    const std::optional<TextBitmap> one = DrawTextLine("道", 24);
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(road->height, one->height);
    EXPECT_LT(one->width, road->width);

    std::vector<std::optional<TextBitmap>> drawn(4);
    std::vector<std::thread> threads;
    for (auto& result : drawn) {
        threads.emplace_back([&result] { result = DrawTextLine("道路", 24); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& result : drawn) {
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(road->coverage, result->coverage);
    }

    const std::optional<TextBitmap> empty = DrawTextLine("", 24);
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(0, empty->width);
    EXPECT_EQ(road->height, empty->height);
    EXPECT_TRUE(empty->coverage.empty());
    EXPECT_FALSE(DrawTextLine("道路", 0).has_value());
}
