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
#include <zlib.h>
#endif

RgbPicture::RgbPicture(int pictureWidth, int pictureHeight, std::uint32_t background)
    : width(pictureWidth), height(pictureHeight),
      pixels(static_cast<std::size_t>(pictureWidth) * pictureHeight * 3)
{
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(background >> 16),
                                 static_cast<std::uint8_t>(background >> 8),
                                 static_cast<std::uint8_t>(background)};
    // The first row pixel by pixel, the others copied from it.
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (std::size_t i = 0; i < row && i < pixels.size(); i += 3) {
        std::memcpy(pixels.data() + i, rgb, 3);
    }
    for (std::size_t i = row; i < pixels.size(); i += row) {
        std::memcpy(pixels.data() + i, pixels.data(), row);
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
    // The palette index of each colour met, by a hash of the colour: key 0 is an empty
    // slot, colour + 1 a taken one. Sixteen times 256 slots: nearly every pixel finds
    // its colour in the first slot it looks at.
    constexpr std::size_t slots = 4096;
    std::array<std::uint32_t, slots> keys{};
    std::array<std::uint8_t, slots> values{};
    for (std::size_t i = 0; i < indexed.pixels.size(); ++i) {
        const std::uint8_t* rgb = picture.pixels.data() + 3 * i;
        const std::uint32_t key =
            (std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2]) + 1;
        std::size_t slot = (key * 2654435761u) >> 20;  // the top 12 bits
        if (keys[slot] == key) [[likely]] {
            indexed.pixels[i] = values[slot];
            continue;
        }
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
    png_set_compression_strategy(png, Z_RLE);
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

// One glyph as FreeType draws it: coverage rows from its top-left corner. A glyph the
// face lacks is empty and takes no room.
struct Glyph
{
    int left = 0;        // from the pen, in pixels
    int top = 0;         // above the baseline
    int advance = 0;     // the pen's move
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // width × rows
};

// The face found once per process, and a lock: FreeType's library object serves one
// thread at a time.
struct TextFace
{
    std::mutex lock;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    // Glyphs drawn before, by size and code point: a run draws the same legend, and
    // counts of the same digits, for every fileset. At most cacheGlyphs, but for the
    // glyphs of one long line.
    std::map<std::pair<int, char32_t>, Glyph> glyphs;
    // The face's ascent and descent in pixels by size, and the size it is set to:
    // setting a size runs the face's own program, so it is set only to draw a glyph.
    std::map<int, std::pair<int, int>> extents;
    int setSize = 0;
};
constexpr std::size_t cacheGlyphs = 2048;

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

void PrepareTextDrawing(std::vector<TextLine> lines)
{
    FaceSearch();
    // Kept until the process ends: a future from std::async waits for its thread when it
    // is destroyed.
    static std::once_flag once;
    static std::future<void> warming;
    std::call_once(once, [&] {
        warming = std::async(std::launch::async, [lines = std::move(lines)] {
            for (const TextLine& line : lines) {
                (void)DrawTextLine(line.utf8, line.pixelSize);
            }
        });
    });
}

namespace {

// Sets the face to `pixelSize`; false when it cannot be. The face's lock is held.
bool SetSize(TextFace& face, int pixelSize)
{
    if (face.setSize != pixelSize) {
        if (FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            face.setSize = 0;
            return false;
        }
        face.setSize = pixelSize;
    }
    return true;
}

// The face's ascent and descent at `pixelSize`, or nothing when it has no such size.
// The face's lock is held.
std::optional<std::pair<int, int>> ExtentsOf(TextFace& face, int pixelSize)
{
    if (const auto found = face.extents.find(pixelSize); found != face.extents.end()) {
        return found->second;
    }
    if (!SetSize(face, pixelSize)) {
        return std::nullopt;
    }
    const FT_Size_Metrics& metrics = face.face->size->metrics;
    const std::pair<int, int> extents(static_cast<int>((metrics.ascender + 63) >> 6),
                                      static_cast<int>((-metrics.descender + 63) >> 6));
    face.extents.emplace(pixelSize, extents);
    return extents;
}

// The glyph of a code point at `pixelSize`, drawn once. The face's lock is held.
const Glyph& GlyphOf(TextFace& face, int pixelSize, char32_t point)
{
    const std::pair<int, char32_t> key(pixelSize, point);
    if (const auto found = face.glyphs.find(key); found != face.glyphs.end()) {
        return found->second;
    }
    Glyph glyph;
    if (SetSize(face, pixelSize) && FT_Load_Char(face.face, point, FT_LOAD_RENDER) == 0) {
        const FT_GlyphSlot slot = face.face->glyph;
        const FT_Bitmap& source = slot->bitmap;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.advance = static_cast<int>((slot->advance.x + 63) >> 6);
        glyph.width = static_cast<int>(source.width);
        glyph.rows = static_cast<int>(source.rows);
        glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
        for (int row = 0; row < glyph.rows; ++row) {
            std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width,
                        source.buffer + static_cast<std::ptrdiff_t>(row) * source.pitch,
                        static_cast<std::size_t>(glyph.width));
        }
    }
    return face.glyphs.emplace(key, std::move(glyph)).first->second;
}

}

std::optional<TextBitmap> DrawTextLine(std::string_view utf8, int pixelSize)
{
    TextFace& face = Face();
    if (face.face == nullptr || pixelSize <= 0) {
        return std::nullopt;
    }
    std::lock_guard guard(face.lock);
    const std::optional<std::pair<int, int>> extents = ExtentsOf(face, pixelSize);
    if (!extents) {
        return std::nullopt;
    }
    const auto [ascent, descent] = *extents;
    const std::vector<char32_t> points = CodePoints(utf8);
    // Emptied before the line, whose glyphs are then held until it is drawn.
    if (face.glyphs.size() + points.size() > cacheGlyphs) {
        face.glyphs.clear();
    }
    std::vector<const Glyph*> glyphs;
    int width = 0;
    for (const char32_t point : points) {
        glyphs.push_back(&GlyphOf(face, pixelSize, point));
        width += glyphs.back()->advance;
    }
    TextBitmap bitmap;
    bitmap.width = width;
    bitmap.height = ascent + descent;
    bitmap.coverage.assign(static_cast<std::size_t>(bitmap.width) * bitmap.height, 0);
    int penX = 0;
    for (const Glyph* glyph : glyphs) {
        for (int row = 0; row < glyph->rows; ++row) {
            const int y = ascent - glyph->top + row;
            if (y < 0 || y >= bitmap.height) {
                continue;
            }
            for (int column = 0; column < glyph->width; ++column) {
                const int x = penX + glyph->left + column;
                if (x < 0 || x >= bitmap.width) {
                    continue;
                }
                std::uint8_t& target =
                    bitmap.coverage[static_cast<std::size_t>(y) * bitmap.width + x];
                target = std::max(
                    target, glyph->coverage[static_cast<std::size_t>(row) * glyph->width + column]);
            }
        }
        penX += glyph->advance;
    }
    return bitmap;
}

#endif
