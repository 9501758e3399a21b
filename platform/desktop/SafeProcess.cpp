#include "platform/desktop/SafeProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace jv::desktop {

bool DebuggerAttached() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    ssize_t n;
    do {
        n = read(fd, buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0) return false;
    buffer[n] = '\0';
    const char* field = std::strstr(buffer, "TracerPid:");
    if (field == nullptr) return false;
    field += std::strlen("TracerPid:");
    while (*field == ' ' || *field == '\t') ++field;
    return *field >= '1' && *field <= '9';
}

bool StartProgram(const char* path, char* const argv[]) {
    // The child tells through this pipe why exec failed; a successful exec closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = _Fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        close(report[0]);
        execve(path, argv, environ);
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    ssize_t n;
    do {
        n = read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n == 0) return true;
    waitpid(child, nullptr, 0);
    return false;
}

LocalTime ToLocalTime(int64_t secondsSinceEpoch, long utcOffsetSeconds) {
    const int64_t local = secondsSinceEpoch + utcOffsetSeconds;
    int64_t days = local / 86400;
    int64_t rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from a day count (Howard Hinnant's algorithm).
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    LocalTime time{};
    time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest / 60 % 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

long CurrentUtcOffset() {
    const time_t now = time(nullptr);
    tm local{};
    return localtime_r(&now, &local) != nullptr ? local.tm_gmtoff : 0;
}

}  // namespace jv::desktop
