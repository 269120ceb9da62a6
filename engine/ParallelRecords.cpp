#include "engine/ParallelRecords.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <string_view>

#include "platform/Background.h"
#include "readers/FilesetReader.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"

// The text of one run, from its composing until it is written.
struct ParallelRecords::Slot
{
    OutputFile text;                // never opened: it keeps what is composed into it
    std::vector<std::size_t> ends;  // where each record's text ends in `text`
    std::size_t records = 0;
    bool composed = false;          // false: composing threw, nothing is written
    // Set by the composing thread when the text is whole, cleared by the writing one.
    std::atomic<bool> finished{false};
};

struct ParallelRecords::Helper
{
    BackgroundWorker thread{1};
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
    const bool shiftJis;
    std::atomic<std::size_t> nextRun{0};
    // The runs whose slots are free again; only the writing thread moves it on.
    WaitableValue turn{0};
    // The runs from `turn` to `taken` are held: composed and handed to the writing
    // thread, their text not yet all written, from `heldFrom` on in the first of them,
    // `heldBytes` in all. The file writes whole buffers straight from the slots, so
    // text stays in its slot until a buffer's worth is held. Only the writing thread
    // touches these, and the run's thread once every other is done.
    std::size_t taken = 0;
    std::size_t heldFrom = 0;
    std::size_t heldBytes = 0;
    std::vector<std::string_view> pieces;
    // Runs finished and not yet seen by a writing thread. The thread that raises it
    // from 0 writes, and goes on writing until it has seen every one raised meanwhile.
    std::atomic<std::size_t> signals{0};
    std::atomic<bool> failed{false};
    std::atomic<std::size_t> written{0};
    // The first exception a thread met.
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
    : runBytes(std::max<std::size_t>(bytesPerRun, 1))
{
    for (int i = 1; i < threads; ++i) {
        helpers.push_back(std::make_unique<Helper>());
    }
    for (int i = 0; i < 4 * threads; ++i) {
        slots.push_back(std::make_unique<Slot>());
        // A run's text is about 6 times its input: room for 8 saves growing it by steps,
        // each step new memory.
        slots.back()->text.Reserve(std::min<std::size_t>(8 * runBytes, std::size_t{1} << 20));
    }
}

ParallelRecords::~ParallelRecords() = default;

bool ParallelRecords::Spreads(std::size_t bytes) const
{
    return !helpers.empty() && bytes > runBytes;
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
        helpers[i]->thread.Start(
            [this, &job, &composer = *copies[i]] { ComposeRuns(composer, job, nullptr); });
    }
    ComposeRuns(writer, job, &progress);
    for (const std::unique_ptr<Helper>& helper : helpers) {
        helper->thread.Wait();
    }
    // Every run taken has been finished, and the last writing thread has taken it;
    // what is still held goes into the file's buffer.
    WriteHeldRuns(job);
    if (job.error != nullptr) {
        std::rethrow_exception(job.error);
    }
    progress(job.written.load());
    return job.written.load();
}

void ParallelRecords::ComposeRuns(FeatureWriter& composer, Job& job, const Progress* progress)
{
    for (;;) {
        // After a failed write no run is started; runs already taken are finished.
        if (job.failed.load(std::memory_order_relaxed)) {
            return;
        }
        const std::size_t run = job.nextRun.fetch_add(1, std::memory_order_relaxed);
        if (run >= job.runEnds.size()) {
            return;
        }
        // The slot is free once the run that used it before has been written.
        if (run >= slots.size()) {
            job.turn.WaitFor(run - slots.size() + 1);
        }
        Slot& slot = *slots[run % slots.size()];
        const std::size_t first = run == 0 ? 0 : job.runEnds[run - 1];
        const std::size_t end = job.runEnds[run];
        slot.ends.clear();
        slot.records = end - first;
        slot.composed = true;
        try {
            for (std::size_t line = first; line < end; ++line) {
                composer.WriteRecord(job.records[line], slot.text, job.shiftJis);
                slot.ends.push_back(slot.text.Held());
            }
        } catch (...) {
            // Memory ran out: the run's thread throws it once every thread is done.
            job.Fail(std::current_exception());
            slot.text.Clear();
            slot.composed = false;
        }
        slot.finished.store(true, std::memory_order_release);
        if (job.signals.fetch_add(1, std::memory_order_acq_rel) == 0) {
            WriteFinishedRuns(job);
        }
        if (progress != nullptr) {
            (*progress)(job.written.load(std::memory_order_relaxed));
        }
    }
}

void ParallelRecords::WriteFinishedRuns(Job& job)
{
    std::size_t seen = 1;
    for (;;) {
        for (; job.taken < job.runEnds.size(); ++job.taken) {
            Slot& slot = *slots[job.taken % slots.size()];
            if (!slot.finished.load(std::memory_order_acquire)) {
                break;
            }
            slot.finished.store(false, std::memory_order_relaxed);
            TakeRun(job, slot);
        }
        // Runs that finished while this thread wrote may be next: it looks again until
        // it has seen every signal.
        const std::size_t left = job.signals.fetch_sub(seen, std::memory_order_acq_rel) - seen;
        if (left == 0) {
            return;
        }
        seen = left;
    }
}

void ParallelRecords::TakeRun(Job& job, Slot& slot)
{
    // Where the buffer of one thread writing record by record would fill: the records
    // before that point count as written even when that write fails.
    const std::size_t bufferRoom = job.output.BufferRoom();
    const std::size_t room = bufferRoom > job.heldBytes ? bufferRoom - job.heldBytes : 0;
    job.heldBytes += slot.text.Held();
    // Half the slots at most are held, so that composing never waits on a buffer to
    // fill; beyond that, short runs are copied into the file's buffer.
    if (job.heldBytes < bufferRoom && job.taken + 1 - job.turn.Load() < slots.size() / 2) {
        CountWritten(job, slot, room);
        return;
    }
    job.pieces.clear();
    for (std::size_t run = job.turn.Load(); run <= job.taken; ++run) {
        job.pieces.push_back(slots[run % slots.size()]->text.Text());
    }
    job.pieces.front().remove_prefix(job.heldFrom);
    const std::size_t done = job.output.WriteInPlace(job.pieces);
    CountWritten(job, slot, room);
    job.heldBytes -= done;
    ReleaseWritten(job, done);
}

void ParallelRecords::CountWritten(Job& job, const Slot& slot, std::size_t room)
{
    if (!slot.composed) {
        // Nothing was composed.
    } else if (!job.output.Failed()) {
        job.written.fetch_add(slot.records, std::memory_order_relaxed);
    } else if (!job.failed.exchange(true, std::memory_order_relaxed)) {
        // This run met the first failed write. One thread would have met it right after
        // the first record whose text filled the buffer, and counted the records before
        // that one as written.
        job.written.fetch_add(
            static_cast<std::size_t>(std::lower_bound(slot.ends.begin(), slot.ends.end(), room) -
                                     slot.ends.begin()),
            std::memory_order_relaxed);
    }
}

void ParallelRecords::ReleaseWritten(Job& job, std::size_t done)
{
    std::size_t turn = job.turn.Load();
    for (; turn <= job.taken; ++turn) {
        Slot& slot = *slots[turn % slots.size()];
        const std::size_t left = slot.text.Held() - job.heldFrom;
        if (done < left) {
            job.heldFrom += done;
            break;
        }
        done -= left;
        job.heldFrom = 0;
        slot.text.Clear();
    }
    if (turn != job.turn.Load()) {
        job.turn.Store(turn);
    }
}

void ParallelRecords::WriteHeldRuns(Job& job)
{
    const std::size_t first = job.turn.Load();
    for (std::size_t run = first; run < job.taken; ++run) {
        OutputFile& text = slots[run % slots.size()]->text;
        job.output.Write(text.Text().substr(run == first ? job.heldFrom : 0));
        text.Clear();
    }
    job.heldFrom = 0;
    job.heldBytes = 0;
    job.turn.Store(job.taken);
}

bool ParallelRecords::ConvertPoints(FilesetReader& reader, const Progress& progress)
{
    std::size_t from = 0;
    std::size_t to = 0;
    if (helpers.empty() || !reader.PreparePlainPoints(from, to)) {
        return false;
    }
    const std::size_t chunk = std::max<std::size_t>(runBytes / FilesetReader::plainPointLine, 1);
    std::atomic<std::size_t> next{from};
    std::atomic<std::size_t> done{from};
    std::atomic<bool> failed{false};
    auto convert = [&](const Progress* report) {
        for (;;) {
            if (failed.load(std::memory_order_relaxed)) {
                return;
            }
            const std::size_t first = next.fetch_add(chunk, std::memory_order_relaxed);
            if (first >= to) {
                return;
            }
            const std::size_t last = std::min(first + chunk, to);
            if (!reader.ConvertPlainPoints(first, last)) {
                failed.store(true, std::memory_order_relaxed);
                return;
            }
            done.fetch_add(last - first, std::memory_order_relaxed);
            if (report != nullptr) {
                (*report)(done.load(std::memory_order_relaxed));
            }
        }
    };
    for (const std::unique_ptr<Helper>& helper : helpers) {
        helper->thread.Start([&convert] { convert(nullptr); });
    }
    convert(&progress);
    for (const std::unique_ptr<Helper>& helper : helpers) {
        helper->thread.Wait();
    }
    if (failed.load()) {
        return false;
    }
    reader.FinishPlainPoints();
    progress(to);
    return true;
}
