#pragma once

#include "platform/base/DateTime.h"

namespace jv {

// Where "now" comes from. The program installs the system clock; tests install a fixed one so
// that every date rule can be checked on known dates.
class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time.
    virtual DateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    DateTime Now() const override;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime Now() const override { return now_; }
    void Set(DateTime now) { now_ = now; }

private:
    DateTime now_;
};

// The system clock moved by a fixed distance: it runs on from the moment it is given, as the
// system clock does (used by tests that let midnight pass).
class ShiftedClock final : public Clock {
public:
    explicit ShiftedClock(DateTime now) : shift_(now - SystemClock().Now()) {}
    DateTime Now() const override { return SystemClock().Now() + shift_; }

private:
    double shift_;  // days
};

// The installed clock (the system clock until another is installed). Passing null restores the
// system clock. The caller keeps ownership of what it installs.
Clock& CurrentClock();
void InstallClock(Clock* clock);

// Installs a clock for the lifetime of this object (used by tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

}  // namespace jv
