#pragma once

#include <chrono>
#include <functional>

#include "platform/base/Clock.h"
#include "platform/base/DateTime.h"

// When the companion checks for due services: once after a delay from start-up, then once a day.
//
// The times are kept on the installed clock (wall-clock time), not counted by the timer alone: a
// computer that sleeps for the night would otherwise push every later check back by the hours it
// slept. The timer only wakes the schedule, at the latest every kLongestWait, to look at the clock.
class CDailyCheckTimer {
public:
    using Milliseconds = std::chrono::milliseconds;

    // One-shot timers: the loop's in the program, a hand-driven one in tests.
    class TimerSource {
    public:
        virtual ~TimerSource() = default;
        // Runs fire once after delay; returns an id (not 0).
        virtual unsigned Start(Milliseconds delay, std::function<void()> fire) = 0;
        virtual void Stop(unsigned id) = 0;
    };

    static constexpr Milliseconds kInterval = std::chrono::hours(24);
    static constexpr Milliseconds kLongestWait = std::chrono::hours(1);

    CDailyCheckTimer(TimerSource& timers, const jv::Clock& clock, std::function<void()> check);
    ~CDailyCheckTimer();
    CDailyCheckTimer(const CDailyCheckTimer&) = delete;
    CDailyCheckTimer& operator=(const CDailyCheckTimer&) = delete;

    // The first check comes firstDelay from now, then one every kInterval.
    void Start(Milliseconds firstDelay);
    void Stop();
    bool running() const { return timer_ != 0; }
    // When the next check is due (valid while running).
    const jv::DateTime& nextCheck() const { return next_; }

private:
    void Arm();
    void OnTimer();

    TimerSource& timers_;
    const jv::Clock& clock_;
    std::function<void()> check_;
    jv::DateTime next_;
    unsigned timer_ = 0;
};
