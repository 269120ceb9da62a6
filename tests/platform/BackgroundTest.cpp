#include "platform/Background.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

TEST(BackgroundTest, TasksRunInOrderAndWaitAndTheEndWaitForThem)
{
    std::vector<int> done;
    {
        BackgroundWorker worker(2);
        for (int i = 0; i < 50; ++i) {
            worker.Start([&done, i] { done.push_back(i); });
        }
        worker.Wait();
        EXPECT_EQ(50u, done.size());
        // Given again after a wait, and left to the end.
        worker.Start([&done] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            done.push_back(50);
        });
    }
    ASSERT_EQ(51u, done.size());
    for (int i = 0; i <= 50; ++i) {
        EXPECT_EQ(i, done[static_cast<std::size_t>(i)]);
    }
    // A worker given nothing ends at once.
    BackgroundWorker idle(0);
}

TEST(BackgroundTest, StartWaitsWhileTheLimitOfTasksWait)
{
    BackgroundWorker worker(1);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> ran = 0;
    worker.Start([released, &ran] {
        released.wait();
        ++ran;
    });
    worker.Start([&ran] { ++ran; });  // waits its turn: the limit is reached
    std::atomic<bool> third = false;
    std::thread giver([&] {
        worker.Start([&ran] { ++ran; });
        third = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(third) << "a second waiting task is held back while the first runs";
    release.set_value();
    giver.join();
    worker.Wait();
    EXPECT_TRUE(third);
    EXPECT_EQ(3, ran);
}

}

// Two threads hand a value back and forth many times, each waiting for the other's
// step: a wake-up lost between a store and a wait leaves both asleep for good.
TEST(WaitableValueTest, NoWakeUpIsLostBetweenTwoThreads)
{
    constexpr std::size_t steps = 2000;
    WaitableValue odd(0);
    WaitableValue even(0);
    std::thread other([&] {
        for (std::size_t i = 1; i <= steps; ++i) {
            odd.WaitFor(2 * i - 1);
            even.Store(2 * i);
        }
    });
    for (std::size_t i = 1; i <= steps; ++i) {
        odd.Store(2 * i - 1);
        even.WaitFor(2 * i);
    }
    other.join();
    EXPECT_EQ(2 * steps, even.Load());
    EXPECT_EQ(2 * steps - 1, odd.Load());
}
