#include "trayapp/MainFrame.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "tests/platform/db/HeldFile.h"
#include "tests/trayapp/TrayFixture.h"
#include "trayapp/TrayMessages.h"

using namespace std::chrono_literals;

TEST_F(TrayTest, AMissingDatabaseIsLookedForAgainAtEveryDailyCheck) {
    ASSERT_EQ(frame_->OnCreate(), 0);
    EXPECT_EQ(frame_->databasePath(), DefaultDatabasePath());
    ASSERT_TRUE(timers_.pending);
    EXPECT_EQ(timers_.pending->delay, 5min);

    // First check: no database yet. The daily timer goes on.
    timers_.Fire(clock_);
    EXPECT_FALSE(frame_->GetUserData().IsConnected());
    EXPECT_FALSE(frame_->IsDue());
    EXPECT_TRUE(timers_.pending);

    // The user makes the database; the next day's check finds the overdue service.
    {
        auto db = CreateDatabase(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", true);
    }
    for (int hour = 0; hour < 24 && !frame_->IsDue(); ++hour) timers_.Fire(clock_);
    EXPECT_TRUE(frame_->GetUserData().IsConnected());
    EXPECT_TRUE(frame_->IsDue());

    // The configuration names another database, with nothing due: the next check reads that one.
    const std::string other = jv::paths::Join(home_.Documents(), "Garage/other.data");
    {
        auto db = CreateDatabase(other);
        AddCar(db, "22222222-2222-2222-2222-222222222222", "Runabout", false);
    }
    PointConfigurationAt(other);
    for (int hour = 0; hour < 24 && frame_->IsDue(); ++hour) timers_.Fire(clock_);
    EXPECT_FALSE(frame_->IsDue());
    EXPECT_EQ(frame_->GetUserData().GetDatabasePath(), other);
}

// The user's file of the version before, held by another program (the main program saving, say):
// the daily check does not wait for it, finds what is due all the same and leaves the upgrade to
// a later start.
TEST_F(TrayTest, TheDailyCheckOfAFileAnotherProgramHoldsFindsWhatIsDueWithoutWaitingForIt) {
    {
        auto db = CreateDatabase(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", true);
    }
    ASSERT_EQ(frame_->OnCreate(), 0);
    jv::test::HeldFile other(DefaultDatabasePath(),
                             "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Tolls')");
    ASSERT_TRUE(other.held());
    timers_.Fire(clock_);
    EXPECT_TRUE(frame_->GetUserData().IsConnected());
    EXPECT_TRUE(frame_->IsDue());
    EXPECT_EQ(frame_->GetUserData().GetVersion(), 8);
    EXPECT_TRUE(other.LetGo());
}

// The user's file that cannot be written (made unchangeable, which holds for the superuser too):
// the daily check reads it as it is. Another program's database named in its place: the check
// leaves it as it was.
TEST_F(TrayTest, TheDailyCheckReadsAFileItCannotWriteAndLeavesAnotherProgramsDatabaseAlone) {
    {
        auto db = CreateDatabase(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", true);
    }
    ASSERT_EQ(frame_->OnCreate(), 0);
    {
        const jv::test::ImmutableFile locked(DefaultDatabasePath());
        if (!locked.made()) GTEST_SKIP() << "this file system cannot make a file unchangeable";
        timers_.Fire(clock_);
        EXPECT_TRUE(frame_->GetUserData().IsConnected());
        EXPECT_TRUE(frame_->GetUserData().GetDatabaseConnection().IsReadOnly());
        EXPECT_TRUE(frame_->IsDue());
    }

    const std::string other = jv::paths::Join(home_.Documents(), "notes.db");
    jv::test::SqliteFile(other).Run("CREATE TABLE Notes (Body TEXT); INSERT INTO Notes VALUES ('milk');");
    const std::string bytes = jv::test::ReadFile(other);
    PointConfigurationAt(other);
    for (int hour = 0; hour < 24 && frame_->GetUserData().GetDatabasePath() != other; ++hour) timers_.Fire(clock_);
    EXPECT_TRUE(frame_->GetUserData().IsNotJorvaneFile());
    EXPECT_FALSE(frame_->GetUserData().IsConnected());
    EXPECT_EQ(jv::test::ReadFile(other), bytes);
    EXPECT_FALSE(std::filesystem::exists(other + "-wal"));
}

TEST_F(TrayTest, ViewRemindersWaitsForSomethingDueAndExitEndsTheChecks) {
    {
        auto db = CreateDatabase(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", false);
    }
    ASSERT_EQ(frame_->OnCreate(), 0);
    timers_.Fire(clock_);
    EXPECT_TRUE(frame_->GetUserData().IsConnected());
    EXPECT_FALSE(frame_->IsDue());
    // Nothing due: no window is opened.
    frame_->SendEvent({tray::WM_COMMAND, tray::ID_VIEW_REMINDERS, 0});
    loop_.RunPending();

    // Hide and close only hide; Exit stops the checks and ends the loop.
    frame_->SendEvent({tray::WM_COMMAND, tray::ID_HIDE, 0});
    frame_->SendEvent({tray::WM_CLOSE, 0, 0});
    EXPECT_FALSE(frame_->IsExiting());
    EXPECT_TRUE(timers_.pending);
    frame_->SendEvent({tray::WM_COMMAND, tray::ID_APP_EXIT, 0});
    EXPECT_TRUE(frame_->IsExiting());
    EXPECT_FALSE(timers_.pending);
}

TEST_F(TrayTest, TheMainProgramIsTheProfilesFolderOrTheCompanionsOwn) {
    EXPECT_EQ(CMainFrame::JorvanePath(), jv::paths::Join(jv::paths::ProgramDir(), "jorvane"));
    jv::Profile("Jorvane").WriteProfileString("Settings", "Path", "/opt/jorvane/bin");
    EXPECT_EQ(CMainFrame::JorvanePath(), "/opt/jorvane/bin/jorvane");
}
