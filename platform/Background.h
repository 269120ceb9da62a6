#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One thread that runs tasks in the order given, handed to it by one other thread, for
// work beside the main work (a map drawn while a conversion writes). At most
// `waitingLimit` tasks wait their turn beside the one running, so what they hold stays
// bounded. The thread starts with the first task: a worker never given one costs
// nothing. Handing a task over costs far less than starting a thread for it.
class BackgroundWorker
{
public:
    explicit BackgroundWorker(std::size_t waitingLimit) : limit(waitingLimit) {}
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;
    // Waits for every task given, then ends the thread.
    ~BackgroundWorker();

    // Hands over `work`, first waiting while `waitingLimit` tasks wait.
    void Start(std::function<void()> work);
    // Returns when every task given has run.
    void Wait();

private:
    void Serve(std::stop_token stop);

    const std::size_t limit;
    std::mutex lock;
    std::condition_variable_any changed;
    std::deque<std::function<void()>> tasks;  // the front one runs while it is there
    std::jthread thread;                      // declared last: ended first
};

// A number that one thread sets and others wait on until it reaches what they need.
// std::atomic's own wait can miss the wake-up where the standard library has no futex
// to build it on (MinGW's, for the Windows build, hung a run that way), so waiting and
// setting meet under a mutex; reading stays a plain atomic load.
class WaitableValue
{
public:
    explicit WaitableValue(std::size_t initial) : value(initial) {}
    WaitableValue(const WaitableValue&) = delete;
    WaitableValue& operator=(const WaitableValue&) = delete;

    std::size_t Load() const { return value.load(std::memory_order_acquire); }
    // Sets the value and wakes every thread that waits.
    void Store(std::size_t newValue);
    // Returns once the value is at least `wanted`.
    void WaitFor(std::size_t wanted);

private:
    std::atomic<std::size_t> value;
    std::mutex lock;
    std::condition_variable changed;
};
