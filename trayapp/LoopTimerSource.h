#pragma once

#include "trayapp/DailyCheckTimer.h"

namespace jv::ui {
class Loop;
}

// One-shot timers on the UI loop for the daily check: the work runs from the loop's queue.
class CLoopTimerSource : public CDailyCheckTimer::TimerSource {
public:
    explicit CLoopTimerSource(jv::ui::Loop& loop) : loop_(loop) {}

    unsigned Start(std::chrono::milliseconds delay, std::function<void()> fire) override;
    void Stop(unsigned id) override;

private:
    jv::ui::Loop& loop_;
};
