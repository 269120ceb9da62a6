#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LargeBuffer.h"

// A picture of 8-bit red, green and blue, three bytes a pixel, rows from the top.
struct RgbPicture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t, LargePages<std::uint8_t>> pixels;  // width × height × 3 bytes

    RgbPicture() = default;
    RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t background);
    std::uint8_t* At(int x, int y)
    {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
    const std::uint8_t* At(int x, int y) const
    {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
    // The pixel as 0xRRGGBB; (x, y) must lie inside.
    std::uint32_t Colour(int x, int y) const;
};

// Writes the picture as a PNG file: with libpng, and on Windows with the system's
// imaging component. The file appears whole or not at all (a failed write leaves no
// file behind and an existing one untouched). Returns the empty text when written,
// otherwise why not, in UTF-8.
std::string WritePng(const std::filesystem::path& file, const RgbPicture& picture);

// A line of text as ink coverage: 0 none to 255 full, rows from the top.
struct TextBitmap
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;  // width × height
};

// Draws one line of UTF-8 text in the system's Japanese Gothic face, its em `pixelSize`
// pixels high; the bitmap is as high as the face's ascent and descent. Nothing when no
// such face is installed (the caller leaves the text out). Safe to call from any
// thread; faces are looked up once per process.
std::optional<TextBitmap> DrawTextLine(std::string_view utf8, int pixelSize);
// A line to draw: UTF-8 text and the em in pixels.
struct TextLine
{
    std::string utf8;
    int pixelSize = 0;
};
// Starts looking for that face on a thread of its own and returns at once, so that the
// first DrawTextLine finds it ready (the search reads the system's font settings). The
// first call's `lines` are drawn on that thread too, so that drawing them later costs a
// copy.
void PrepareTextDrawing(std::vector<TextLine> lines);
