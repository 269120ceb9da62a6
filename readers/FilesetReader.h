#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "readers/SettingsFile.h"
#include "platform/FileSystem.h"
#include "platform/LargeBuffer.h"
#include "text/StringList.h"
#include "text/Simd.h"

// The kind of the mesh elevations: it has a point-data file of its own, is converted
// after every other kind of its fileset and always gets a document of its own.
inline constexpr std::string_view meshKind = "MH";

// What reading a fileset's metadata file came to. The caller tells the user.
enum class MetadataOutcome
{
    Read,
    FileMissing,  // missing, or there but unreadable
    NoMetadata,   // read, and neither the file nor the settings give any metadata
};

// What loading a point-data file came to, with the number of its points when loaded.
enum class PointDataOutcome
{
    Loaded,
    FileMissing,  // missing, or there but unreadable
    NoPoints,     // empty, or more lines than a run counts
};
struct PointDataLoad
{
    PointDataOutcome outcome;
    int points;  // 0 unless loaded
};

// The settings of a conversion run together with the current fileset's point table,
// start point, extent and metadata values.
//
// Point-data files hold one point per line: bytes 1-8 the X offset and bytes 9-16 the
// Y offset, in units of 0.0001, added to the fileset's start point. The metadata file
// holds nine lines: start point, extent, then seven texts stored under fixed keys.
//
// A reader shows nothing: it reports what went wrong and its caller decides what the
// user sees. The point table lives in PointTable.cpp, the rest here in
// FilesetReader.cpp. A reader serves one thread; a sharing copy (the protected
// constructor) reads its source's point table from a thread of its own.
class FilesetReader : public SettingsFile
{
public:
    explicit FilesetReader(const std::filesystem::path& settingsFile);
    // A reader reads its own point table through a pointer to itself.
    FilesetReader(const FilesetReader&) = delete;
    FilesetReader& operator=(const FilesetReader&) = delete;

    void SetDataFolder(const std::filesystem::path& folder) { dataFolder = folder; }
    void SetFilesetCode(const std::string& code) { filesetCode = code; }
    const std::string& FilesetCode() const { return filesetCode; }
    // The input file `fileName` in the fileset's folder, found ignoring letter case.
    std::filesystem::path FilesetInput(const std::string& fileName) const;

    // Forgets everything an earlier fileset left: the metadata table returns to the
    // settings file's "MetaData" values, the start point and extent to 0.
    void ResetForFileset();

    // Opens and counts the point-data file of the kind (meshKind has its own file).
    [[nodiscard]] PointDataLoad LoadPointData(const std::string& kindCode);
    // Converts the next point line into its coordinate text and adds 1 to `counter`.
    void ConvertPoint(int& counter);
    // Converting points side by side, after one by one ConvertPoint has fixed the
    // slots' size with the first: the lines of the usual form are this long (sixteen
    // digits and CR LF), and when every line left is that long, PreparePlainPoints
    // makes room for them all and gives the range of the points left; threads may then
    // convert parts of it at once with ConvertPlainPoints, which returns false at a line
    // not of the usual form or a text that needs wider slots (the caller then goes on
    // one by one from where ConvertPoint stood). FinishPlainPoints counts the range as
    // converted once every part has been.
    static constexpr std::size_t plainPointLine = 18;
    [[nodiscard]] bool PreparePlainPoints(std::size_t& first, std::size_t& end);
    [[nodiscard]] bool ConvertPlainPoints(std::size_t first, std::size_t end);
    void FinishPlainPoints();
    void ClosePointData();
    // The coordinate text of point `numberText` (counted from 1), or the empty text when
    // the number is not a number or lies outside the loaded points.
    std::string_view PointCoordinates(std::string_view numberText) const;
    std::size_t PointCount() const { return pointCount; }
    // The coordinate text of the point at `index` (from 0; below PointCount()).
    std::string_view PointTextAt(std::size_t index) const { return PointText(index); }
    // Asks for a point's slot to be brought near, before PointTextAt reads it.
    void PrefetchPoint(std::size_t index) const { __builtin_prefetch(PointSlot(index)); }
    // How many of the loaded points have a text too long for the table's slots, kept
    // apart and written by the slower way.
    std::size_t LongPointCount() const { return longPointCount; }

    // Reads the fileset's metadata file into the metadata table.
    [[nodiscard]] MetadataOutcome ReadMetadataFile();
    // Consumes `metadataFileLines`; returns the number of metadata entries afterwards.
    int ParseMetadata();

    double StartPointX() const { return startPointX; }
    double StartPointY() const { return startPointY; }
    double ScopeX() const { return scopeX; }
    double ScopeY() const { return scopeY; }

protected:
    // A reader with copies of `source`'s settings, metadata, start point, extent, data
    // folder, fileset code and point count and slot size, which reads `source`'s point
    // table in place: the table must stay as it is while this reader reads it. Loads no
    // points of its own.
    struct SharingCopy
    {
    };
    FilesetReader(const FilesetReader& source, SharingCopy);

    // The coordinate text of the point at `index` (from 0; below PointCount()).
    std::string_view PointText(std::size_t index) const
    {
        const char* slot = PointSlot(index);
        if (static_cast<unsigned char>(slot[0]) == longPointMark) {
            std::uint64_t offset;
            std::uint32_t length;
            std::memcpy(&offset, slot + 4, sizeof offset);
            std::memcpy(&length, slot + 12, sizeof length);
            return std::string_view(pointOwner->longPoints).substr(offset, length);
        }
        return std::string_view(slot, slotSize == wideSlot ? SlotTextLength<wideSlot>(slot)
                                                           : SlotTextLength<narrowSlot>(slot));
    }
    // The length of the text in a slot of `size` bytes: up to its first NUL, or all of it.
    template <std::size_t size>
    static std::size_t SlotTextLength(const char* slot)
    {
        static_assert(size == narrowSlot || size == wideSlot);
#if ORDEVIK_SSE2
        const __m128i zero = _mm_setzero_si128();
        std::uint64_t nuls = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(slot)), zero)));
        if constexpr (size == wideSlot) {
            nuls |= static_cast<std::uint64_t>(static_cast<unsigned>(
                        _mm_movemask_epi8(_mm_cmpeq_epi8(
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(slot + 16)),
                            zero))))
                    << 16;
        }
        return static_cast<std::size_t>(std::countr_zero(nuls | (std::uint64_t{1} << size)));
#else
        const void* end = std::memchr(slot, 0, size);
        return end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - slot)
                              : size;
#endif
    }
    // Where the slot of the point at `index` lies.
    const char* PointSlot(std::size_t index) const
    {
        return pointOwner->pointSlots.Data() + index * slotSize;
    }
    // The next point line's coordinate text composed into `to` (composedSize bytes),
    // with NULs after it to the end of a wide slot, when the line has the usual form
    // (two fields of eight digits and CR LF) and the text fits a wide slot; returns
    // its length and moves past the line, or returns 0, with nothing read.
    std::size_t ComposePlainPointLine(char* to);
    // ComposePlainPointLine for the plainPointLine bytes of `line`, wherever it lies.
    std::size_t ComposePlainLine(std::string_view line, char* to) const;
    // The next point line's text, of any form: composed into `to` as above when it fits
    // a wide slot, otherwise left in pointText; returns its length.
    std::size_t ComposePointLine(char* to);
    // The text of a point of two plain fields (values in units) into `to` as above,
    // when the start point is one of whole units; returns its length, or 0, with
    // nothing written, otherwise and at zero.
    std::size_t ComposeWholeUnitsPoint(char* to, std::uint64_t xValue,
                                       std::uint64_t yValue) const;
    // The text of the point (x, y) into `to` as above when it fits a wide slot;
    // returns its length, or 0.
    static std::size_t ComposeSum(char* to, double x, double y);
    // Moves every converted point from a narrow slot into a wide one.
    void WidenSlots();

    // Every point's coordinate text in a slot of its own, so that looking a point up
    // touches one cache line and the table stays small. Slots are 16 bytes while every
    // text fits ("139.0933 35.6243" in degrees), else 32 (metres: "-45123.4567
    // 123456.7890"); shorter texts end at the first NUL (a number never holds one). A
    // longer text (only from unusual fields or start points) lies in longPoints; its
    // slot holds the mark, then its offset (bytes 4-11) and length (12-15).
    static constexpr std::size_t narrowSlot = 16;
    static constexpr std::size_t wideSlot = 32;
    static constexpr unsigned char longPointMark = 0xFF;
    // Room to compose a text in: two numbers of up to 22 bytes, a space, and the NULs
    // up to a wide slot after the end.
    static constexpr std::size_t composedSize = 2 * 24 + wideSlot;
    // The reader whose table's slots and long texts are read: this one, or a sharing
    // copy's source. The count and sizes are the reader's own, copied.
    const FilesetReader* pointOwner = this;
    std::size_t slotSize = narrowSlot;
    LargeBuffer pointSlots;
    std::string longPoints;
    std::size_t longPointCount = 0;
    std::size_t pointCount = 0;
    std::size_t pointsExpected = 0;  // the count LoadPointData found
    std::string pointText;  // scratch of ConvertPoint
    // The start point in whole units of 0.0001 while the points are converted, when
    // it is such (see ConvertPoint).
    std::optional<long long> startUnitsX;
    std::optional<long long> startUnitsY;
    StringList metadataFileLines;
    // The point-data file being converted, read whole, and where the next line begins.
    LargeBuffer pointFileText;
    std::size_t pointFileSize = 0;
    std::size_t pointFilePosition = 0;
    std::string_view PointFileView() const
    {
        return std::string_view(pointFileText.Data(), pointFileSize);
    }
    double scopeY = 0.0;
    double scopeX = 0.0;
    double startPointY = 0.0;
    double startPointX = 0.0;
    std::filesystem::path dataFolder;
    std::string filesetCode;
};
