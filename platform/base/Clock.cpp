#include "platform/base/Clock.h"

#include <sys/time.h>
#include <ctime>

namespace jv {
namespace {
Clock* g_installed = nullptr;
}

DateTime SystemClock::Now() const {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm local{};
    const time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &local);
    return DateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                    local.tm_sec > 59 ? 59 : local.tm_sec);
}

Clock& CurrentClock() {
    static SystemClock system;
    return g_installed != nullptr ? *g_installed : system;
}

void InstallClock(Clock* clock) {
    g_installed = clock;
}

ScopedClock::ScopedClock(Clock& clock) : previous_(g_installed) {
    g_installed = &clock;
}
ScopedClock::~ScopedClock() {
    g_installed = previous_;
}

}  // namespace jv
