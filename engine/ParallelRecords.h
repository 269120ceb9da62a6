#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"

class FeatureWriter;
class OutputFile;

// Composes the records of one kind on several threads and writes them in record order.
//
// The lines are cut into runs of about `runBytes` bytes of input. Each thread takes the
// next run, composes it into a text of its own with a writer of its own (the run's
// writer on the run's thread, a composing copy on each other), waits until every
// earlier run is written, writes its text to the output file and takes the next run.
// So the file gets the bytes one thread would write, in the same order; one thread's
// writing overlaps the others' composing; and each thread holds the text of at most
// one run. A run's text is at most about 24 times its input (a curve of one-digit
// point numbers) or, for one record longer than `runBytes`, that record's text, as one
// thread holds it too.
//
// Helper threads live as long as the object and serve kind after kind. Dialogs and
// progress stay on the run's thread.
class ParallelRecords
{
public:
    // What `progress` gets: the number of records written so far.
    using Progress = std::function<void(std::size_t)>;

    // `threads` counts the run's own thread; below 2 nothing is spread.
    ParallelRecords(int threads, std::size_t runBytes);
    ParallelRecords(const ParallelRecords&) = delete;
    ParallelRecords& operator=(const ParallelRecords&) = delete;
    ~ParallelRecords();

    // Whether `records` span more than one run, so that spreading them can pay.
    bool Spreads(const TextLines::View& records) const;
    // Writes `records` to `output` as `writer` writes them one by one, and calls
    // `progress` on this thread after each run it writes. Returns the number of records
    // written: all of them, or those before the first write that failed. `writer` must
    // not change meanwhile; the helpers read its point table in place.
    std::size_t WriteAll(FeatureWriter& writer, const TextLines::View& records,
                         OutputFile& output, bool shiftJis, const Progress& progress);

private:
    struct Helper;
    struct Job;
    // Takes, composes and writes runs until none is left or a write has failed.
    static void ComposeRuns(FeatureWriter& composer, OutputFile& text, Job& job,
                            const Progress* progress);

    const std::size_t runBytes;
    std::vector<std::unique_ptr<Helper>> helpers;
    std::unique_ptr<OutputFile> ownText;  // the run's thread's composed run
};
