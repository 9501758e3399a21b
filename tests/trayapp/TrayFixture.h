#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Clock.h"
#include "platform/db/Connection.h"
#include "platform/ui/Loop.h"
#include "tests/support/TestSupport.h"
#include "trayapp/DailyCheckTimer.h"
#include "trayapp/MainFrame.h"

// One-shot timers driven by the test: at most one is pending, and Fire moves the clock on by its
// delay before it runs.
class FakeTimers : public CDailyCheckTimer::TimerSource {
public:
    struct Pending {
        unsigned id;
        std::chrono::milliseconds delay;
        std::function<void()> fire;
    };

    unsigned Start(std::chrono::milliseconds delay, std::function<void()> fire) override;
    void Stop(unsigned id) override;
    // Moves the clock by the pending timer's delay and runs it. False when none is pending.
    bool Fire(jv::FixedClock& clock);

    std::optional<Pending> pending;
    unsigned nextId = 1;
};

// The companion's frame on a home of the test's own (no session bus: the icon is never shown, the
// due flag tells what it would show), with the user database at the configured default place and
// a fixed clock at 18 March 2024, 9:00.
class TrayTest : public ::testing::Test {
protected:
    TrayTest();
    ~TrayTest() override;

    // The default database place of the configuration ("<documents>/Jorvane/user.data").
    std::string DefaultDatabasePath() const;
    // A copy of the blank database at path.
    jv::db::Connection CreateDatabase(const std::string& path);
    // A car with an oil change every 3 months or 3,000 miles: overdue when oilDue is true (the car
    // was driven 4,000 miles since January), otherwise first due in about 11 months.
    void AddCar(jv::db::Connection& db, const std::string& vehicleId, const std::string& name, bool oilDue);
    // Plan items of a car added with AddCar.
    void AddItem(jv::db::Connection& db, const std::string& name, const std::string& item, const std::string& action,
                 int intervalMileage, int intervalMonth);
    // Makes the configuration name another database.
    void PointConfigurationAt(const std::string& path);

    jv::test::IsolatedHome home_;
    jv::FixedClock clock_{jv::DateTime(2024, 3, 18, 9, 0, 0)};
    jv::ScopedClock scopedClock_{clock_};
    jv::ui::Loop loop_;
    FakeTimers timers_;
    std::unique_ptr<CMainFrame> frame_;
};
