#include "platform/Picture.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
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

// The picture as indexes into a palette of at most 256 colours, when it has no more;
// empty otherwise. A map has a few dozen: a third of the bytes to compress.
struct Indexed
{
    std::vector<png_color> palette;
    std::vector<std::uint8_t, LargePages<std::uint8_t>> pixels;
};

Indexed IndexColours(const RgbPicture& picture)
{
    Indexed indexed;
    indexed.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    // The palette index of each colour met, by a hash of the colour: slot 0 is empty,
    // colour + 1 otherwise. Twice 256 slots and more keep the probes short.
    constexpr std::size_t slots = 1024;
    std::array<std::uint32_t, slots> keys{};
    std::array<std::uint8_t, slots> values{};
    for (std::size_t i = 0; i < indexed.pixels.size(); ++i) {
        const std::uint8_t* rgb = picture.pixels.data() + 3 * i;
        const std::uint32_t key =
            (std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2]) + 1;
        std::size_t slot = (key * 2654435761u) >> 22;  // the top 10 bits
        while (keys[slot] != key && keys[slot] != 0) {
            slot = (slot + 1) % slots;
        }
        if (keys[slot] == 0) {
            if (indexed.palette.size() == 256) {
                return {};
            }
            keys[slot] = key;
            values[slot] = static_cast<std::uint8_t>(indexed.palette.size());
            indexed.palette.push_back({rgb[0], rgb[1], rgb[2]});
        }
        indexed.pixels[i] = values[slot];
    }
    return indexed;
}

// libpng reports failures through a longjmp; nothing with a destructor may live in the
// frame it jumps over, so the write is one plain function over plain data.
bool WritePngStream(std::FILE* file, const RgbPicture& picture, const Indexed& indexed,
                    const char** failure)
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
    const bool palette = !indexed.palette.empty();
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8,
                 palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_set_PLTE(png, info, indexed.palette.data(), static_cast<int>(indexed.palette.size()));
    }
    // Maps are large flat areas with thin lines, which the fastest compression without
    // the filters' search packs well: a tenth of the default's time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        png_write_row(png, palette ? indexed.pixels.data() + static_cast<std::size_t>(y) * picture.width
                                   : picture.At(0, y));
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
    std::error_code ignored;  // removing the partial file: nothing more to say
    {
        std::unique_ptr<std::FILE, FileCloser> stream(OpenFile(partial, "wb"));
        if (!stream) {
            return std::strerror(errno);
        }
        if (!WritePngStream(stream.get(), picture, IndexColours(picture), &failure)) {
            stream.reset();
            std::filesystem::remove(partial, ignored);
            return failure;
        }
        if (std::fflush(stream.get()) != 0) {
            const std::string reason = std::strerror(errno);
            stream.reset();
            std::filesystem::remove(partial, ignored);
            return reason;
        }
        if (std::fclose(stream.release()) != 0) {
            const std::string reason = std::strerror(errno);
            std::filesystem::remove(partial, ignored);
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
    // Lines drawn before, by size and text: a run draws the same legend for every
    // fileset. Emptied when it holds cacheLines.
    std::map<std::pair<int, std::string>, TextBitmap> drawn;
};
constexpr std::size_t cacheLines = 512;

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

// The face found, kept for the whole process: here, where leak checkers see it held,
// whatever becomes of the search's future when the process ends.
TextFace* faceFound = nullptr;

TextFace* MakeFace()
{
    faceFound = new TextFace;
    TextFace* made = faceFound;
    // Debian's choice of Japanese Gothic face, when one is installed, spares reading the
    // whole font configuration; otherwise fontconfig's.
    const char* debianChoice = "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf";
    std::error_code error;
    const std::string file =
        std::filesystem::exists(debianChoice, error) ? debianChoice : JapaneseFaceFile();
    if (!file.empty() && FT_Init_FreeType(&made->library) == 0 &&
        FT_New_Face(made->library, file.c_str(), 0, &made->face) != 0) {
        made->face = nullptr;
    }
    return made;
}

// The face, looked for once per process on a thread of its own.
const std::shared_future<TextFace*>& FaceSearch()
{
    static const std::shared_future<TextFace*> search =
        std::async(std::launch::async, MakeFace).share();
    return search;
}

TextFace& Face()
{
    return *FaceSearch().get();
}

// The code points of UTF-8 text, by fontconfig's reader; a broken sequence becomes
// U+FFFD and reading goes on at the next byte.
std::vector<char32_t> CodePoints(std::string_view text)
{
    std::vector<char32_t> points;
    const auto* at = reinterpret_cast<const FcChar8*>(text.data());
    int left = static_cast<int>(text.size());
    while (left > 0) {
        FcChar32 point = 0;
        int used = FcUtf8ToUcs4(at, &point, left);
        if (used <= 0) {
            point = 0xFFFD;
            used = 1;
        }
        points.push_back(point);
        at += used;
        left -= used;
    }
    return points;
}

}

void PrepareTextDrawing()
{
    FaceSearch();
}

std::optional<TextBitmap> DrawTextLine(std::string_view utf8, int pixelSize)
{
    TextFace& face = Face();
    if (face.face == nullptr || pixelSize <= 0) {
        return std::nullopt;
    }
    std::lock_guard guard(face.lock);
    std::pair<int, std::string> key(pixelSize, std::string(utf8));
    if (const auto found = face.drawn.find(key); found != face.drawn.end()) {
        return found->second;
    }
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
    if (face.drawn.size() == cacheLines) {
        face.drawn.clear();
    }
    face.drawn.emplace(std::move(key), bitmap);
    return bitmap;
}

#endif
