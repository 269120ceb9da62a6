#include "platform/Background.h"

BackgroundWorker::~BackgroundWorker()
{
    Wait();
    // The jthread then asks the thread to stop and joins it; the wait in Serve sees the
    // request through its stop token.
}

void BackgroundWorker::Start(std::function<void()> work)
{
    std::unique_lock guard(lock);
    // The running task is the front one and does not count as waiting.
    changed.wait(guard, [this] { return tasks.size() <= limit; });
    tasks.push_back(std::move(work));
    if (!thread.joinable()) {
        thread = std::jthread([this](std::stop_token stop) { Serve(stop); });
    }
    changed.notify_all();
}

void BackgroundWorker::Wait()
{
    std::unique_lock guard(lock);
    changed.wait(guard, [this] { return tasks.empty(); });
}

void BackgroundWorker::Serve(std::stop_token stop)
{
    std::unique_lock guard(lock);
    while (changed.wait(guard, stop, [this] { return !tasks.empty(); })) {
        // The task stays in the queue while it runs, so that Wait waits for it too.
        std::function<void()>& task = tasks.front();
        guard.unlock();
        task();
        guard.lock();
        tasks.pop_front();
        changed.notify_all();
    }
}

void WaitableValue::Store(std::size_t newValue)
{
    {
        std::lock_guard guard(lock);
        value.store(newValue, std::memory_order_release);
    }
    changed.notify_all();
}

void WaitableValue::WaitFor(std::size_t wanted)
{
    if (Load() >= wanted) {
        return;
    }
    std::unique_lock guard(lock);
    changed.wait(guard, [this, wanted] { return Load() >= wanted; });
}
