#include "trayapp/DailyCheckTimer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

double Days(std::chrono::milliseconds span) {
    return static_cast<double>(span.count()) / kMillisecondsPerDay;
}

}  // namespace

CDailyCheckTimer::CDailyCheckTimer(TimerSource& timers, const jv::Clock& clock, std::function<void()> check)
    : timers_(timers), clock_(clock), check_(std::move(check)) {}

CDailyCheckTimer::~CDailyCheckTimer() {
    Stop();
}

void CDailyCheckTimer::Start(Milliseconds firstDelay) {
    Stop();
    next_ = clock_.Now() + Days(std::max(firstDelay, Milliseconds(0)));
    Arm();
}

void CDailyCheckTimer::Stop() {
    if (timer_ != 0) timers_.Stop(timer_);
    timer_ = 0;
}

void CDailyCheckTimer::Arm() {
    const jv::DateTime now = clock_.Now();
    // A clock set back leaves the next check no further away than a day.
    if (next_ - now > Days(kInterval)) next_ = now + Days(kInterval);
    const double remainingDays = next_ - now;
    const auto remaining =
        Milliseconds(static_cast<long long>(std::ceil(std::max(remainingDays, 0.0) * kMillisecondsPerDay)));
    timer_ = timers_.Start(std::min(remaining, kLongestWait), [this] { OnTimer(); });
}

void CDailyCheckTimer::OnTimer() {
    timer_ = 0;
    const jv::DateTime now = clock_.Now();
    // Day numbers carry a little rounding: a timer that fires on the millisecond counts as on time.
    if (now - next_ >= -Days(Milliseconds(1))) {
        next_ += Days(kInterval);
        // After days away (the computer slept) one check catches up, and the day starts from now.
        if (next_ <= now) next_ = now + Days(kInterval);
        Arm();
        check_();
        return;
    }
    Arm();
}
