#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/Picture.h"
#include "tests/TestSupport.h"

#ifndef _WIN32
#include <png.h>
#endif

namespace fs = std::filesystem;

namespace {

// Reads the size from a PNG file's header: the signature, then IHDR's width and height.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& bytes)
{
    EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), bytes.substr(0, 8));
    EXPECT_EQ("IHDR", bytes.substr(12, 4));
    auto number = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    };
    return {number(16), number(20)};
}

TEST(PictureTest, PngHoldsThePictureAndAppearsWholeOrNotAtAll)
{
    RgbPicture picture(7, 5, 0x102030);
    picture.At(0, 0)[0] = 0xFF;                                   // top-left: red channel
    picture.At(6, 4)[2] = 0xEE;                                   // bottom-right: blue
    EXPECT_EQ(0xFF2030u, picture.Colour(0, 0));
    EXPECT_EQ(0x1020EEu, picture.Colour(6, 4));
    EXPECT_EQ(0x102030u, picture.Colour(3, 2));

    TempFolder folder;
    const fs::path file = folder / "map.png";
    WriteFileBytes(file, "an older file");
    ASSERT_EQ("", WritePng(file, picture));
    const std::string bytes = ReadFileBytes(file);
    EXPECT_EQ((std::pair<std::uint32_t, std::uint32_t>{7, 5}), PngSize(bytes));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()))
        << "nothing left beside it";
#ifndef _WIN32
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), picture.pixels.begin(),
                           picture.pixels.end()));
#endif

    // Into a folder that is not there: a reason, and no file anywhere.
    const fs::path nowhere = folder / "missing" / "map.png";
    EXPECT_NE("", WritePng(nowhere, picture));
    EXPECT_FALSE(fs::exists(folder / "missing"));
    EXPECT_NE("", WritePng(folder / "empty.png", RgbPicture()));
    EXPECT_FALSE(fs::exists(folder / "empty.png"));
}

TEST(PictureTest, TextIsDrawnInAJapaneseFace)
{
    const std::optional<TextBitmap> text = DrawTextLine("道路 10", 24);
    ASSERT_TRUE(text.has_value()) << "the build machine has a Japanese face";
    EXPECT_GT(text->width, 40);
    EXPECT_GE(text->height, 24);
    ASSERT_EQ(static_cast<std::size_t>(text->width) * text->height, text->coverage.size());
    const auto ink = std::count_if(text->coverage.begin(), text->coverage.end(),
                                   [](std::uint8_t c) { return c > 128; });
    EXPECT_GT(ink, 40) << "the glyphs have ink, not empty boxes";
    // Wider text is wider; an empty text is empty.
    EXPECT_GT(DrawTextLine("道路道路道路", 24)->width, text->width);
    EXPECT_EQ(0, DrawTextLine("", 24)->width);
    EXPECT_FALSE(DrawTextLine("道路", 0).has_value());

    // Lines are composed of glyphs drawn once per size: the same line at the same size
    // is the same bitmap whatever was drawn between, and a line of more glyphs than are
    // kept is drawn whole.
    const std::optional<TextBitmap> small = DrawTextLine("道路 10", 16);
    EXPECT_LT(small->width, text->width);
    EXPECT_EQ(text->coverage, DrawTextLine("道路 10", 24)->coverage);
    std::string many;
    for (char32_t point = 0x4E00; point < 0x4E00 + 2100; ++point) {
        many += static_cast<char>(0xE0 | point >> 12);
        many += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        many += static_cast<char>(0x80 | (point & 0x3F));
    }
    const std::optional<TextBitmap> wide = DrawTextLine(many, 8);
    ASSERT_TRUE(wide.has_value());
    EXPECT_GT(wide->width, 2100 * 6);
    EXPECT_EQ(small->coverage, DrawTextLine("道路 10", 16)->coverage);
}

}
