#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "text/Cp932.h"
#include "tests/TestSupport.h"
#include "xmlout/OutputFile.h"

namespace fs = std::filesystem;

TEST(OutputFileTest, CreateTruncatesAndAppendKeeps)
{
    TempFolder folder;
    WriteFileBytes(folder / "out.xml", "old");
    OutputFile file;
    ASSERT_TRUE(file.Open(folder / "out.xml", OutputFile::Mode::Append));
    file.Write("+1");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ("old+1", ReadFileBytes(folder / "out.xml"));

    ASSERT_TRUE(file.Open(folder / "out.xml", OutputFile::Mode::Create));
    file.Write("new");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ("new", ReadFileBytes(folder / "out.xml"));

    EXPECT_FALSE(file.Open(folder.Path(), OutputFile::Mode::Create));
    EXPECT_FALSE(file.Open(folder / "missing" / "out.xml", OutputFile::Mode::Create));
}

TEST(OutputFileTest, CloseReportsAWriteThatFailed)
{
    // /dev/full takes the open and refuses every byte, as a full disk does.
    for (std::size_t size : {std::size_t{10}, std::size_t{3} << 20}) {
        OutputFile file;
        ASSERT_TRUE(file.Open("/dev/full", OutputFile::Mode::Create));
        file.Write(std::string(size, 'x'));
        EXPECT_FALSE(file.Close()) << size;
        EXPECT_TRUE(file.Failed()) << size;
    }
}

// Appending to a file of any size: every byte arrives in order, and while the file is
// open it only ever holds whole multiples of the write size (256 KiB) past which the
// rest waits in the buffer, whether pieces are small or larger than the buffer (those
// are written from where they lie).
TEST(OutputFileTest, AppendsInWholeAlignedPiecesAndLosesNothing)
{
    const TempFolder folder;
    const fs::path path = folder / "out.xml";
    const std::string existing(1000, 'e');
    WriteFileBytes(path, existing);

    OutputFile file;
    ASSERT_TRUE(file.Open(path, OutputFile::Mode::Append));
    std::string expected = existing;
    // Pieces of uneven sizes, some composed in place and converted ("あ" is 82 A0).
    for (int piece = 0; piece < 800; ++piece) {
        const std::string ascii(700 + piece * 7 % 900, static_cast<char>('a' + piece % 26));
        if (piece % 3 == 0) {
            std::string& text = file.StartText();
            text += ascii;
            text += "\x82\xA0";
            file.FinishText(true);
            expected += ascii + "\xE3\x81\x82";
        } else if (piece % 97 == 0) {
            const std::string large(300 * 1024 + piece * 1013, static_cast<char>('A' + piece % 26));
            file.Write(large);
            expected += large;
        } else {
            file.Write(ascii);
            expected += ascii;
        }
        const auto onDisk = fs::file_size(path);
        ASSERT_TRUE(onDisk == existing.size() || onDisk % (256 * 1024) == 0) << onDisk;
        ASSERT_LE(onDisk, expected.size());
    }
    ASSERT_GT(fs::file_size(path), 2u * 256 * 1024);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(expected, ReadFileBytes(path));
}

// Text composed into a file never opened stays there until it is moved into an open
// one, where it lands behind what that one holds; the room left before the next write
// to the system shrinks with what is held.
TEST(OutputFileTest, UnopenedFileKeepsItsTextForTheOpenOne)
{
    const TempFolder folder;
    OutputFile composed;
    composed.Write(std::string(300 * 1024, 'c'));
    std::string& text = composed.StartText();
    text += "\x82\xA0";
    composed.FinishText(true);
    EXPECT_EQ(300u * 1024 + 3, composed.Held());

    OutputFile file;
    ASSERT_TRUE(file.Open(folder / "out.xml", OutputFile::Mode::Create));
    file.Write("head");
    EXPECT_EQ(256u * 1024 - 4, file.BufferRoom());
    composed.MoveTextTo(file);
    EXPECT_EQ(0u, composed.Held());
    composed.Write("tail");
    composed.MoveTextTo(file);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ("head" + std::string(300 * 1024, 'c') + "\xE3\x81\x82" + "tail",
              ReadFileBytes(folder / "out.xml"));
}

// Pieces written from where they lie, as the threads that compose runs of records hand
// them over: the file gets the same bytes at the same offsets as through its buffer,
// and what it leaves to the caller is always less than one buffer.
TEST(OutputFileTest, PiecesWrittenInPlaceLandAsTheBufferWouldWriteThem)
{
    constexpr std::size_t bufferSize = 256 * 1024;
    const TempFolder folder;
    for (const bool append : {false, true}) {
        const fs::path path = folder / "out.xml";
        const std::string existing = append ? std::string(1000, 'e') : std::string();
        WriteFileBytes(path, existing);
        OutputFile file;
        ASSERT_TRUE(file.Open(path, append ? OutputFile::Mode::Append : OutputFile::Mode::Create));
        std::string expected = existing;
        std::deque<std::string> runs;  // the text of the runs held, the first partly written
        std::size_t firstDone = 0;
        std::size_t held = 0;
        for (int run = 0; run < 300; ++run) {
            if (run % 11 == 0) {
                // A head or tail written the usual way, once nothing is held.
                for (const std::string& text : runs) {
                    file.Write(std::string_view(text).substr(&text == &runs.front() ? firstDone : 0));
                }
                runs.clear();
                firstDone = 0;
                held = 0;
                file.Write("<head>");
                expected += "<head>";
            }
            const std::size_t size = run % 37 == 0 ? 600 * 1024 : 5000 + run * 7919 % 120000;
            runs.emplace_back(size, static_cast<char>('a' + run % 26));
            expected += runs.back();
            held += size;
            if (held < file.BufferRoom()) {
                continue;
            }
            std::vector<std::string_view> pieces(runs.begin(), runs.end());
            pieces.front().remove_prefix(firstDone);
            std::size_t done = file.WriteInPlace(pieces);
            held -= done;
            while (!runs.empty() && done >= runs.front().size() - firstDone) {
                done -= runs.front().size() - firstDone;
                firstDone = 0;
                runs.pop_front();
            }
            firstDone += done;
            ASSERT_LT(held + file.Held(), bufferSize) << run;
            const auto onDisk = fs::file_size(path);
            ASSERT_TRUE(onDisk == existing.size() || onDisk % bufferSize == 0) << onDisk;
            ASSERT_EQ(onDisk + file.Held() + held, expected.size()) << run;
        }
        for (const std::string& text : runs) {
            file.Write(std::string_view(text).substr(&text == &runs.front() ? firstDone : 0));
        }
        ASSERT_TRUE(file.Close());
        EXPECT_EQ(expected, ReadFileBytes(path)) << (append ? "appended" : "created");
    }

    // A file that refuses every byte fails at the first buffer's worth, and from then
    // on only counts what it is given.
    OutputFile full;
    ASSERT_TRUE(full.Open("/dev/full", OutputFile::Mode::Create));
    const std::string run(200 * 1024, 'x');
    EXPECT_EQ(bufferSize, full.WriteInPlace({run, run}));
    EXPECT_TRUE(full.Failed());
    EXPECT_EQ(2 * run.size(), full.WriteInPlace({run, run}));
    EXPECT_EQ(bufferSize + 2 * run.size(), full.Size());
    EXPECT_FALSE(full.Close());
}
