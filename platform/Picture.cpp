#include "platform/Picture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#endif

RgbPicture::RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t background)
    : width(pictureWidth), height(pictureHeight),
      pixels(static_cast<std::size_t>(pictureWidth) * pictureHeight * 3)
{
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(background >> 16),
                                 static_cast<std::uint8_t>(background >> 8),
                                 static_cast<std::uint8_t>(background)};
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        std::memcpy(pixels.data() + i, rgb, 3);
    }
}

std::uint32_t RgbPicture::Colour(int x, int y) const
{
    const std::uint8_t* pixel = At(x, y);
    return std::uint32_t{pixel[0]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[2];
}

#ifndef _WIN32

namespace {

// A FILE that is closed however the write ends.
struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports failures through a longjmp; nothing with a destructor may live in the
// frame it jumps over, so the write is one plain function over plain data.
bool WritePngStream(std::FILE* file, const RgbPicture& picture, const char** failure)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr,
                                              nullptr);
    if (png == nullptr) {
        *failure = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *failure = "libpng could not write the picture";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Maps are large flat areas with thin lines: fast compression loses little here.
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        png_write_row(png, picture.At(0, y));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}

std::string WritePng(const std::filesystem::path& file, const RgbPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0) {
        return "the picture is empty";
    }
    // Written beside the target and moved over it once whole.
    std::filesystem::path partial = file;
    partial += ".part";
    const char* failure = nullptr;
    {
        std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(partial.c_str(), "wb"));
        if (!stream) {
            return std::strerror(errno);
        }
        if (!WritePngStream(stream.get(), picture, &failure)) {
            stream.reset();
            std::filesystem::remove(partial);
            return failure;
        }
        if (std::fflush(stream.get()) != 0) {
            const std::string reason = std::strerror(errno);
            stream.reset();
            std::filesystem::remove(partial);
            return reason;
        }
        if (std::fclose(stream.release()) != 0) {
            const std::string reason = std::strerror(errno);
            std::filesystem::remove(partial);
            return reason;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, file, error);
    if (error) {
        std::filesystem::remove(partial, error);
        return error.message();
    }
    return {};
}

namespace {

// The face found once per process, and a lock: FreeType's library object serves one
// thread at a time.
struct TextFace
{
    std::mutex lock;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// The file of the system's Japanese sans-serif face, by fontconfig's choice.
std::string JapaneseFaceFile()
{
    if (FcInit() == FcFalse) {
        return {};
    }
    std::string found;
    FcPattern* pattern =
        FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja:style=Regular"));
    if (pattern == nullptr) {
        return {};
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    FcLangSet* languages = nullptr;
    // A match that cannot draw Japanese is no match: the legend would be boxes.
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetLangSet(match, FC_LANG, 0, &languages) == FcResultMatch &&
        FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) !=
            FcLangDifferentLang) {
        found = reinterpret_cast<const char*>(file);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

TextFace& Face()
{
    static TextFace* face = [] {
        auto* made = new TextFace;  // lives as long as the process
        const std::string file = JapaneseFaceFile();
        if (!file.empty() && FT_Init_FreeType(&made->library) == 0 &&
            FT_New_Face(made->library, file.c_str(), 0, &made->face) != 0) {
            made->face = nullptr;
        }
        return made;
    }();
    return *face;
}

// The code points of UTF-8 text; a broken sequence becomes U+FFFD.
std::vector<char32_t> CodePoints(std::string_view text)
{
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80    ? 1
                           : lead >= 0xF0 ? 4
                           : lead >= 0xE0 ? 3
                           : lead >= 0xC0 ? 2
                                          : 0;
        if (length == 0 || i + length > text.size()) {
            points.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

}

std::optional<TextBitmap> DrawTextLine(std::string_view utf8, int pixelSize)
{
    TextFace& face = Face();
    if (face.face == nullptr || pixelSize <= 0) {
        return std::nullopt;
    }
    std::lock_guard guard(face.lock);
    if (FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        return std::nullopt;
    }
    const FT_Size_Metrics& metrics = face.face->size->metrics;
    const int ascent = static_cast<int>((metrics.ascender + 63) >> 6);
    const int descent = static_cast<int>((-metrics.descender + 63) >> 6);
    const std::vector<char32_t> points = CodePoints(utf8);

    // Two walks: the first measures, the second draws at the measured width.
    int width = 0;
    for (const char32_t point : points) {
        if (FT_Load_Char(face.face, point, FT_LOAD_DEFAULT) == 0) {
            width += static_cast<int>((face.face->glyph->advance.x + 63) >> 6);
        }
    }
    TextBitmap bitmap;
    bitmap.width = width;
    bitmap.height = ascent + descent;
    bitmap.coverage.assign(static_cast<std::size_t>(bitmap.width) * bitmap.height, 0);
    int penX = 0;
    for (const char32_t point : points) {
        if (FT_Load_Char(face.face, point, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot glyph = face.face->glyph;
        const FT_Bitmap& source = glyph->bitmap;
        for (unsigned row = 0; row < source.rows; ++row) {
            const int y = ascent - glyph->bitmap_top + static_cast<int>(row);
            if (y < 0 || y >= bitmap.height) {
                continue;
            }
            for (unsigned column = 0; column < source.width; ++column) {
                const int x = penX + glyph->bitmap_left + static_cast<int>(column);
                if (x < 0 || x >= bitmap.width) {
                    continue;
                }
                std::uint8_t& target =
                    bitmap.coverage[static_cast<std::size_t>(y) * bitmap.width + x];
                target = std::max(target, source.buffer[row * source.pitch + column]);
            }
        }
        penX += static_cast<int>((glyph->advance.x + 63) >> 6);
    }
    return bitmap;
}

#endif
