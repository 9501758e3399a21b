#include "trayapp/DailyCheckTimer.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/trayapp/TrayFixture.h"

namespace {

using namespace std::chrono_literals;

// The check's times, as minutes after the start.
class DailyCheck : public ::testing::Test {
protected:
    double MinutesSinceStart() const { return (clock_.Now() - start_) * 24 * 60; }
    // Fires the timer until `checks` checks have run (or the timer stops).
    void RunUntil(size_t checks) {
        while (checkTimes_.size() < checks && timers_.pending) {
            EXPECT_LE(timers_.pending->delay, CDailyCheckTimer::kLongestWait);
            timers_.Fire(clock_);
        }
    }

    jv::DateTime start_{2024, 3, 18, 9, 0, 0};
    jv::FixedClock clock_{start_};
    FakeTimers timers_;
    std::vector<double> checkTimes_;
    CDailyCheckTimer timer_{timers_, clock_, [this] { checkTimes_.push_back(MinutesSinceStart()); }};
};

}  // namespace

TEST_F(DailyCheck, FirstAfterTheDelayThenEveryTwentyFourHours) {
    struct Case {
        const char* name;
        std::chrono::milliseconds delay;
        std::vector<double> minutes;
    } cases[] = {
        {"five minutes", 5min, {5, 5 + 1440, 5 + 2880}},
        {"at once", 0ms, {0, 1440, 2880}},
        {"ninety minutes, longer than one wait", 90min, {90, 90 + 1440, 90 + 2880}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock_.Set(start_);
        checkTimes_.clear();
        timer_.Start(c.delay);
        RunUntil(3);
        ASSERT_EQ(checkTimes_.size(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(checkTimes_[i], c.minutes[i], 0.01) << i;
        EXPECT_TRUE(timer_.running());
    }
}

TEST_F(DailyCheck, ATimerThatFiresEarlyWaitsForTheRest) {
    timer_.Start(5min);
    ASSERT_TRUE(timers_.pending);
    // The timer runs without the clock having moved (the clock was set back meanwhile).
    auto fire = std::move(timers_.pending->fire);
    timers_.pending.reset();
    fire();
    EXPECT_TRUE(checkTimes_.empty());
    ASSERT_TRUE(timers_.pending);
    EXPECT_EQ(timers_.pending->delay, 5min);
}

TEST_F(DailyCheck, AfterASleepOfDaysOneCheckCatchesUpAndTheDayStartsAgain) {
    timer_.Start(0ms);
    RunUntil(1);
    // The computer slept three days and two hours; the timer wakes afterwards.
    clock_.Set(clock_.Now() + 3 + 2.0 / 24);
    const auto fire = std::move(timers_.pending->fire);
    timers_.pending.reset();
    fire();
    ASSERT_EQ(checkTimes_.size(), 2u);
    EXPECT_NEAR(checkTimes_[1], (3 * 24 + 2) * 60, 0.01);
    EXPECT_NEAR((timer_.nextCheck() - clock_.Now()) * 24, 24, 1e-6);
}

TEST_F(DailyCheck, AClockSetBackKeepsTheNextCheckWithinADay) {
    timer_.Start(0ms);
    RunUntil(1);
    clock_.Set(clock_.Now() - 400);
    timers_.Fire(clock_);
    EXPECT_EQ(checkTimes_.size(), 1u);
    RunUntil(2);
    ASSERT_EQ(checkTimes_.size(), 2u);
    // Noticed at the next wake, an hour later; the check follows a day after that.
    EXPECT_NEAR(checkTimes_[1] - checkTimes_[0], -400 * 1440 + 60 + 1440, 0.01);
}

TEST_F(DailyCheck, StoppedThereIsNoTimer) {
    timer_.Start(5min);
    timer_.Stop();
    EXPECT_FALSE(timers_.pending);
    EXPECT_FALSE(timer_.running());
}
