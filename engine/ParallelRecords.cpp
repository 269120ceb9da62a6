#include "engine/ParallelRecords.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <string_view>

#include "platform/Background.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"

// A thread that composes beside the run's, with the text of its run in hand.
struct ParallelRecords::Helper
{
    OutputFile text;        // never opened: it keeps what is composed into it
    BackgroundWorker thread{1};  // declared last: ended first
};

// One kind's records, shared by the threads that write them.
struct ParallelRecords::Job
{
    Job(const TextLines::View& lines, OutputFile& file, bool shiftJisOutput)
        : records(lines), output(file), shiftJis(shiftJisOutput)
    {
    }

    const TextLines::View& records;
    std::vector<std::size_t> runEnds;  // one past each run's last line
    OutputFile& output;
    bool shiftJis;
    std::atomic<std::size_t> nextRun{0};
    // The run whose text is written next; only the thread holding that run moves it
    // on, which hands `output` over to the next one.
    std::atomic<std::size_t> turn{0};
    std::atomic<bool> failed{false};
    std::atomic<std::size_t> written{0};
    // The first exception a thread met; set before `failed`.
    std::mutex errorLock;
    std::exception_ptr error;

    void Fail(std::exception_ptr thrown)
    {
        std::lock_guard lock(errorLock);
        if (error == nullptr) {
            error = std::move(thrown);
        }
        failed.store(true);
    }
};

ParallelRecords::ParallelRecords(int threads, std::size_t bytesPerRun)
    : runBytes(bytesPerRun), ownText(std::make_unique<OutputFile>())
{
    for (int i = 1; i < threads; ++i) {
        helpers.push_back(std::make_unique<Helper>());
    }
}

ParallelRecords::~ParallelRecords() = default;

bool ParallelRecords::Spreads(const TextLines::View& records) const
{
    return !helpers.empty() && records.Bytes() > runBytes;
}

std::size_t ParallelRecords::WriteAll(FeatureWriter& writer, const TextLines::View& records,
                                      OutputFile& output, bool shiftJis,
                                      const Progress& progress)
{
    Job job(records, output, shiftJis);
    std::size_t bytes = 0;
    for (std::size_t line = 0; line < records.Size(); ++line) {
        bytes += records[line].size();
        if (bytes >= runBytes || line + 1 == records.Size()) {
            job.runEnds.push_back(line + 1);
            bytes = 0;
        }
    }
    // The copies are made here, while nothing else reads `writer`.
    std::vector<std::unique_ptr<FeatureWriter>> copies;
    for (std::size_t i = 0; i < helpers.size(); ++i) {
        copies.push_back(std::make_unique<FeatureWriter>(writer, FeatureWriter::ComposingCopy{}));
    }
    for (std::size_t i = 0; i < helpers.size(); ++i) {
        helpers[i]->thread.Start([&job, &composer = *copies[i], &text = helpers[i]->text] {
            ComposeRuns(composer, text, job, nullptr);
        });
    }
    ComposeRuns(writer, *ownText, job, &progress);
    for (const std::unique_ptr<Helper>& helper : helpers) {
        helper->thread.Wait();
    }
    if (job.error != nullptr) {
        std::rethrow_exception(job.error);
    }
    // The last run may have been another thread's.
    progress(job.written.load());
    return job.written.load();
}

void ParallelRecords::ComposeRuns(FeatureWriter& composer, OutputFile& text, Job& job,
                                  const Progress* progress)
{
    std::vector<std::size_t> textEnds;  // where each record's text of the run ends
    for (;;) {
        // After a failed write no run is started. A run once taken is always finished,
        // as the threads of later runs wait for its turn to pass.
        if (job.failed.load(std::memory_order_relaxed)) {
            return;
        }
        const std::size_t run = job.nextRun.fetch_add(1, std::memory_order_relaxed);
        if (run >= job.runEnds.size()) {
            return;
        }
        const std::size_t first = run == 0 ? 0 : job.runEnds[run - 1];
        const std::size_t end = job.runEnds[run];
        textEnds.clear();
        bool composed = true;
        try {
            for (std::size_t line = first; line < end; ++line) {
                composer.WriteRecord(job.records[line], text, job.shiftJis);
                textEnds.push_back(text.Held());
            }
        } catch (...) {
            // Memory ran out: the run's thread throws it once every thread is done.
            // The turn still passes this run, so that no thread waits for it forever.
            job.Fail(std::current_exception());
            text.Clear();
            composed = false;
        }
        // Every run before this one has been taken, so its thread will move the turn
        // on: the wait ends.
        for (std::size_t turn = job.turn.load(std::memory_order_acquire); turn != run;
             turn = job.turn.load(std::memory_order_acquire)) {
            job.turn.wait(turn, std::memory_order_acquire);
        }
        // A file that failed ignores what follows; the text is dropped either way.
        const std::size_t room = job.output.BufferRoom();
        text.MoveTextTo(job.output);
        if (!composed) {
            // Nothing of it was moved.
        } else if (!job.output.Failed()) {
            job.written.fetch_add(end - first, std::memory_order_relaxed);
        } else if (!job.failed.exchange(true, std::memory_order_relaxed)) {
            // This run's text met the first failed write. One thread would have met it
            // right after the first record whose text filled the buffer, and counted
            // the records before that one as written.
            job.written.fetch_add(static_cast<std::size_t>(
                                      std::lower_bound(textEnds.begin(), textEnds.end(), room) -
                                      textEnds.begin()),
                                  std::memory_order_relaxed);
        }
        job.turn.store(run + 1, std::memory_order_release);
        job.turn.notify_all();
        if (progress != nullptr) {
            (*progress)(job.written.load(std::memory_order_relaxed));
        }
    }
}
