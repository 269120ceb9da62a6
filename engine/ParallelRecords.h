#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"

class FeatureWriter;
class FilesetReader;
class OutputFile;

// Spreads the two big pieces of a fileset's work over several threads: composing the
// records of a kind, and converting the points of a point-data file.
//
// A kind's lines are cut into runs of about `runBytes` bytes of input. Each thread takes
// the next run and composes it, with a writer of its own (the run's writer on the run's
// thread, a composing copy on each other), into the slot of that run: one of
// 4 × threads slots, taken in turn. A finished run is taken by whichever thread
// finishes a run while no other is writing, together with every finished run after it
// that is next in order. Its text stays in its slot until the runs taken fill the
// file's buffer and is then written from there (OutputFile::WriteInPlace), not copied;
// runs so short that half of the slots are held before the buffer fills are copied into
// it instead. So the file gets the bytes one thread would write, in the same order, and
// no thread waits for another to compose, only for a slot to be written before it is
// used again. Memory: the slots hold the text of at most 4 × threads runs, each about 6
// times its input (at most about 35 times, for a curve of one-digit point numbers in
// metres), or one record's text when a single record is longer than a run.
//
// Helper threads live as long as the object and serve kind after kind. Dialogs and
// progress stay on the run's thread.
class ParallelRecords
{
public:
    // What `progress` gets: the number of records, or points, done so far.
    using Progress = std::function<void(std::size_t)>;

    // `threads` counts the run's own thread; below 2 nothing is spread.
    ParallelRecords(int threads, std::size_t runBytes);
    ParallelRecords(const ParallelRecords&) = delete;
    ParallelRecords& operator=(const ParallelRecords&) = delete;
    ~ParallelRecords();

    // Whether `bytes` of input span more than one run, so that spreading them can pay.
    bool Spreads(std::size_t bytes) const;
    // Writes `records` to `output` as `writer` writes them one by one, and calls
    // `progress` on this thread after each run it composes. Returns the number of
    // records written: all of them, or those one thread would have written before the
    // first write that failed. `writer` must not change meanwhile; the helpers read its
    // point table in place.
    std::size_t WriteAll(FeatureWriter& writer, const TextLines::View& records,
                         OutputFile& output, bool shiftJis, const Progress& progress);
    // Converts the points after the first `reader` has converted, on every thread
    // (FilesetReader::ConvertPlainPoints), and calls `progress` on this thread now and
    // then. False when a line needs the one-by-one way; `reader` then goes on from
    // where it stood.
    bool ConvertPoints(FilesetReader& reader, const Progress& progress);

private:
    struct Slot;
    struct Helper;
    struct Job;
    // Takes, composes and writes runs until none is left or a write has failed.
    void ComposeRuns(FeatureWriter& composer, Job& job, const Progress* progress);
    // Takes the finished runs that are next in order, and any that finish meanwhile.
    void WriteFinishedRuns(Job& job);
    // Holds a finished run's text, and writes what is held once it fills a buffer.
    void TakeRun(Job& job, Slot& slot);
    // Counts the records of a run taken, as one thread would have counted them.
    void CountWritten(Job& job, const Slot& slot, std::size_t room);
    // Frees the slots of the first `done` bytes held.
    void ReleaseWritten(Job& job, std::size_t done);
    // Hands what is still held to the file's buffer, once no run is being composed.
    void WriteHeldRuns(Job& job);

    const std::size_t runBytes;
    std::vector<std::unique_ptr<Helper>> helpers;
    std::vector<std::unique_ptr<Slot>> slots;
};
