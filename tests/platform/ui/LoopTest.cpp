#include "platform/ui/Loop.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using jv::ui::Loop;
using namespace std::chrono_literals;

namespace {

TEST(Loop, RunsWorkInTheOrderItWasPostedAndFlushesAfterEach) {
    Loop loop;
    EXPECT_EQ(Loop::Current(), &loop);
    std::vector<int> order;
    int flushes = 0;
    loop.SetAfterWork([&] { ++flushes; });
    loop.Post([&] {
        order.push_back(1);
        loop.Post([&] { order.push_back(3); });  // posted while running: after what is queued
    });
    loop.Post([&] { order.push_back(2); });
    loop.RunPending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(flushes, 3);
}

TEST(Loop, WorkThatThrowsIsReportedAndTheLoopGoesOn) {
    Loop loop;
    std::vector<std::string> failures;
    std::vector<int> ran;
    loop.SetErrorHandlerForTesting([&](const std::string& what) { failures.push_back(what); });
    loop.Post([] { throw std::runtime_error("a page's handler failed"); });
    loop.Post([&] { ran.push_back(1); });
    loop.Post([] { throw 42; });
    loop.Post([&] {
        ran.push_back(2);
        loop.Quit();
    });
    loop.Run();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(failures, (std::vector<std::string>{"a page's handler failed", "unknown exception"}));
}

TEST(Loop, WorkPostedFromAnotherThreadWakesAWaitingLoop) {
    Loop loop;
    std::atomic<bool> ran{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(50ms);
        loop.Post([&] { ran = true; });
    });
    // Waits in GLib without a timeout until the work arrives.
    EXPECT_TRUE(loop.RunUntil([&] { return ran.load(); }));
    poster.join();
}

TEST(Loop, ANestedLoopRunsQueuedWorkWhileItsCallerWaits) {
    Loop loop;
    std::vector<std::string> events;
    loop.Post([&] {
        events.push_back("handler starts");
        bool answered = false;
        loop.Post([&] {
            events.push_back("answer");
            answered = true;
        });
        loop.Post([&] { events.push_back("after the answer"); });
        EXPECT_EQ(loop.depth(), 1);
        loop.RunUntil([&] { return answered; });
        events.push_back("handler ends");
    });
    loop.Post([&] { events.push_back("queued before"); });
    loop.RunUntil([&] { return events.size() == 5; }, 5s);
    // The nested loop takes work in order and stops as soon as its condition holds; what is left
    // runs in the outer loop.
    EXPECT_EQ(events, (std::vector<std::string>{"handler starts", "queued before", "answer", "handler ends",
                                                "after the answer"}));
}

TEST(Loop, WorkHandedOverForAfterAPieceOfWorkRunsWhenThatPieceEndsNotWhenANestedOneDoes) {
    Loop loop;
    std::vector<std::string> events;
    loop.SetErrorHandlerForTesting([&](const std::string& what) { events.push_back(what); });
    loop.SetAfterWork([&] { events.push_back("flush"); });
    loop.Post([&] {
        loop.AfterThisWork([&] { events.push_back("after the handler"); });
        bool answered = false;
        loop.Post([&] {
            loop.AfterThisWork([&] { events.push_back("after the answer"); });
            events.push_back("answer");
            answered = true;
        });
        loop.RunUntil([&] { return answered; });
        events.push_back("handler ends");
        throw std::runtime_error("the handler fails");
    });
    loop.Post([&] { events.push_back("next"); });
    loop.RunUntil([&] { return std::find(events.begin(), events.end(), "after the handler") != events.end(); }, 5s);
    // The nested loop takes up what was queued before; a failed piece of work is not flushed, but
    // what it handed over runs all the same.
    EXPECT_EQ(events, (std::vector<std::string>{"next", "flush", "answer", "after the answer", "flush", "handler ends",
                                                "the handler fails", "after the handler"}));
    // Handed over outside any piece of work: after the next one.
    events.clear();
    loop.AfterThisWork([&] { events.push_back("after"); });
    EXPECT_TRUE(events.empty());
    loop.Post([&] { events.push_back("work"); });
    loop.RunOne();
    EXPECT_EQ(events, (std::vector<std::string>{"work", "after", "flush"}));
}

TEST(Loop, RunUntilGivesUpAtItsTimeoutAndStopsWhenTheProgramQuits) {
    Loop loop;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);

    // Quitting inside a modal loop ends it and the main loop under it.
    bool modalEnded = false;
    loop.Post([&] {
        loop.Post([&] { loop.Quit(); });
        EXPECT_FALSE(loop.RunUntil([] { return false; }));
        modalEnded = true;
    });
    loop.Run();
    EXPECT_TRUE(modalEnded);

    // After that the loop runs again.
    int ran = 0;
    loop.Post([&] { ++ran; });
    EXPECT_TRUE(loop.RunUntil([&] { return ran == 1; }, 5s));

    // A Quit made before Run ends that Run at once, once: the next Run waits for its own Quit.
    const unsigned guard = loop.AddTimer(5s, [&] { loop.Quit(); });  // rather than hang
    loop.Quit();
    loop.Post([&] { ++ran; });
    loop.Run();
    EXPECT_EQ(ran, 1);
    loop.RemoveTimer(guard);
    loop.Post([&] { loop.Quit(); });
    loop.Run();
    EXPECT_EQ(ran, 2);
}

TEST(Loop, TimerTicksDoNotPileUpAndStopWhenRemoved) {
    Loop loop;
    int ticks = 0;
    const unsigned id = loop.AddTimer(2ms, [&] { ++ticks; });
    // GLib fires the timer several times while nobody takes work from the queue: one tick waits.
    for (int i = 0; i < 5; ++i) g_main_context_iteration(loop.context(), TRUE);
    while (loop.RunOne()) {
    }
    EXPECT_EQ(ticks, 1);

    EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 3; }, 5s));
    loop.RemoveTimer(id);
    const int stopped = ticks;
    loop.RunUntil([] { return false; }, 20ms);
    EXPECT_EQ(ticks, stopped);
}

}  // namespace
