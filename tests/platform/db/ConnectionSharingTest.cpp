// Two programs on one database file: the journal mode and durability every open sets, and how a
// writer waits for the other program's lock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "platform/base/StopSignals.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "tests/platform/db/HeldFile.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/support/TestSupport.h"

using jv::db::Connection;
using jv::db::DbError;
using jv::db::Transaction;

namespace {

using namespace std::chrono_literals;

class ConnectionSharing : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("user.data");
        jv::test::SqliteFile(path_).Run("CREATE TABLE Categories (CategoryID INTEGER PRIMARY KEY, Name varchar(50))");
        chmod(path_.c_str(), 0600);
    }

    // The other program, holding the write lock (or the whole file) with a row named `name` not
    // yet committed, until the test lets go.
    std::unique_ptr<jv::test::HeldFile> Hold(const char* begin, const std::string& name) {
        auto other = std::make_unique<jv::test::HeldFile>(
            path_, std::string(begin) + "; INSERT INTO Categories (Name) VALUES ('" + name + "')");
        EXPECT_TRUE(other->held());
        return other;
    }

    long Count(Connection& connection, const std::string& name) {
        return connection.Execute("SELECT count(*) AS n FROM Categories WHERE Name = '" + name + "'")
            .GetInt("n")
            .value_or(-1);
    }

    jv::test::TempDir dir_;
    std::string path_;
};

TEST_F(ConnectionSharing, RunsWithAWriteAheadLogAsPrivateAsTheFileAndLeavesAPlainFile) {
    const mode_t old = umask(0);  // the engine's own default would make the log readable by all
    {
        Connection connection = Connection::Open(path_);
        EXPECT_EQ(connection.Execute("PRAGMA synchronous").GetInt("synchronous"), 2);  // FULL
        connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Fuel')");
        jv::test::SqliteFile other(path_);
        EXPECT_EQ(other.Value("PRAGMA journal_mode"), "wal");
        for (const char* side : {"-wal", "-shm"}) {
            struct stat info {};
            ASSERT_EQ(stat((path_ + side).c_str(), &info), 0) << side;
            EXPECT_EQ(info.st_mode & 0777, 0600u) << side;
        }
    }
    umask(old);
    // Closed, the file holds everything on its own.
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(path_ + "-shm"));
    jv::test::SqliteFile file(path_);
    EXPECT_EQ(file.Value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(file.Value("SELECT Name FROM Categories"), "Fuel");
}

TEST_F(ConnectionSharing, ReadersGoOnWhileTheOtherProgramWrites) {
    Connection::Open(path_).ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('before')");
    auto other = Hold("BEGIN EXCLUSIVE", "pending");
    Connection connection = Connection::Open(path_);
    // Neither waits for the other: the reader sees what was committed last.
    EXPECT_EQ(Count(connection, "before"), 1);
    EXPECT_EQ(Count(connection, "pending"), 0);
    EXPECT_TRUE(other->LetGo());
    EXPECT_EQ(Count(connection, "pending"), 1);
}

TEST_F(ConnectionSharing, AWriterWaitsForTheOtherProgramUpToItsBoundAndOnlyThenFails) {
    // begins: the other program lets go a moment after the save has started waiting, well within
    // the save's bound; else it holds the file until the save has given up.
    struct Case {
        const char* what;
        std::chrono::milliseconds wait;
        Connection::Lock lock;
        bool begins;
    };
    const Case cases[] = {
        {"a save outwaits a save of the other program", 30000ms, Connection::Lock::Write, true},
        {"a save gives up after its bound", 100ms, Connection::Lock::Write, false},
        {"the whole file is waited for up to the bound too", 100ms, Connection::Lock::Exclusive, false},
        {"the whole file, taken once the other program saved", 30000ms, Connection::Lock::Exclusive, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto other = Hold("BEGIN IMMEDIATE", c.what);
        Connection connection = Connection::Open(path_, c.wait);
        std::string failure;
        // The other program finishes its save once the save here is under way: mostly while it
        // waits, else just before it begins, which it then does at once. Either way it is stored.
        std::promise<void> saving;
        std::thread otherSaves;
        if (c.begins) {
            otherSaves = std::thread([&other, started = saving.get_future()] {
                started.wait();
                EXPECT_TRUE(other->LetGo());
            });
        }
        try {
            saving.set_value();
            connection.BeginTrans(c.lock);
            // Only once the other program has committed does the lock come free.
            EXPECT_EQ(Count(connection, c.what), 1);
            connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('mine')");
            connection.CommitTrans();
        } catch (const DbError& error) {
            failure = error.description();
        }
        if (otherSaves.joinable()) otherSaves.join();
        EXPECT_EQ(failure, c.begins ? "" : "database is locked");
        if (!c.begins) {
            EXPECT_TRUE(other->LetGo());
        }
        EXPECT_FALSE(connection.InTransaction());
    }
}

TEST_F(ConnectionSharing, AStopAskedOfTheProgramEndsItsWaitForTheOtherProgramAtOnce) {
    ASSERT_TRUE(jv::stop::Catch({SIGTERM}));
    // The other program holds its lock for longer than the test would like to wait, and this
    // connection would wait longer still.
    auto other = Hold("BEGIN IMMEDIATE", "held");
    Connection connection = Connection::Open(path_, 60000ms);
    // The stop comes a moment into the wait (or before it: the wait ends at once all the same).
    std::thread stop([] {
        std::this_thread::sleep_for(100ms);
        kill(getpid(), SIGTERM);
    });
    std::string failure;
    try {
        connection.BeginTrans();
    } catch (const DbError& error) {
        failure = error.description();
    }
    stop.join();
    // Given up while the other program still held the file.
    EXPECT_EQ(failure, "database is locked");
    EXPECT_TRUE(jv::stop::Requested());
    EXPECT_FALSE(connection.InTransaction());
    EXPECT_TRUE(other->LetGo());
    jv::stop::Reset();
    // With the request forgotten, a writer waits as before.
    connection.BeginTrans();
    connection.RollbackTrans();
}

// A save (a write transaction begun, or a change outside one) that finds the other program
// holding the write lock waits only the save's wait, then asks; the question decides whether it
// waits once more or gives up. Reads and what runs inside a transaction already begun never ask.
TEST_F(ConnectionSharing, ASaveThatFindsTheFileHeldAsksWhetherToWaitAgain) {
    struct Case {
        const char* what;
        bool inTransaction;  // the save is a transaction (else one change outside any)
        bool waitAgain;      // the question's answer
        bool stop;           // a stop is requested before the save
        int asked;
        const char* failure;
        long mine;  // rows of the save afterwards
    };
    const Case cases[] = {
        {"a transaction, waited for again once the other let go", true, true, false, 1, "", 1},
        {"a change outside a transaction, waited for again", false, true, false, 1, "", 1},
        {"a transaction given up", true, false, false, 1, "database is locked", 0},
        {"a change given up", false, false, false, 1, "database is locked", 0},
        {"a stop requested: nothing asked, given up at once", true, true, true, 0, "database is locked", 0},
    };
    ASSERT_TRUE(jv::stop::Catch({SIGTERM}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        jv::test::SqliteFile(path_).Run("PRAGMA journal_mode=WAL; DELETE FROM Categories");
        auto other = std::make_unique<jv::test::HeldFile>(
            path_, "BEGIN IMMEDIATE; INSERT INTO Categories (Name) VALUES ('theirs')");
        ASSERT_TRUE(other->held());
        if (c.stop) kill(getpid(), SIGTERM);
        // Would wait a minute without the question.
        Connection connection = Connection::Open(path_, 60000ms);
        int asked = 0;
        std::string askedFor;
        connection.SetBusyQuestion(
            [&](const std::string& path) {
                ++asked;
                askedFor = path;
                // Reads go on while the question stands.
                EXPECT_EQ(Count(connection, "theirs"), 0);
                if (c.waitAgain) {
                    EXPECT_TRUE(other->LetGo());
                }
                return c.waitAgain;
            },
            100ms);
        std::string failure;
        try {
            if (c.inTransaction) {
                Transaction save(connection);
                connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('mine')");
                save.Commit();
            } else {
                connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('mine')");
            }
        } catch (const DbError& error) {
            failure = error.description();
        }
        EXPECT_EQ(asked, c.asked);
        if (asked > 0) {
            EXPECT_EQ(askedFor, path_);
        }
        EXPECT_EQ(failure, c.failure);
        EXPECT_FALSE(connection.InTransaction());
        if (!c.waitAgain || c.stop) {
            EXPECT_TRUE(other->LetGo());
        }
        EXPECT_EQ(Count(connection, "mine"), c.mine);
        EXPECT_EQ(Count(connection, "theirs"), 1);
        // The save's wait was for the save only: the connection waits as long as before.
        EXPECT_EQ(connection.busyWait(), 60000ms);
        jv::stop::Reset();
    }
}

TEST_F(ConnectionSharing, AFileThatCannotBeWrittenOpensForReadingAndTakesSavesOnceItCanBe) {
    Connection::Open(path_).ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Fuel')");
    const std::string tyres = "INSERT INTO Categories (Name) VALUES ('Tyres')";
    for (const char* mode : {"wal", "delete"}) {
        SCOPED_TRACE(mode);
        jv::test::SqliteFile(path_).Run(std::string("PRAGMA journal_mode=") + mode);
        auto locked = std::make_unique<jv::test::ImmutableFile>(path_);
        if (!locked->made()) GTEST_SKIP() << "this file system cannot make a file unchangeable";
        Connection connection = Connection::Open(path_);
        EXPECT_TRUE(connection.IsReadOnly());
        std::vector<std::string> told;
        connection.SetReadOnlyNotice([&told](const std::string& path) { told.push_back(path); });
        EXPECT_EQ(Count(connection, "Fuel"), 1);

        // A change of its own and a transaction alike are refused at their start, the user told.
        const std::vector<std::function<void()>> saves = {
            [&] { connection.ExecuteNonQuery(tyres); },
            [&] {
                jv::db::Transaction transaction(connection);
                connection.ExecuteNonQuery(tyres);
                transaction.Commit();
            },
        };
        for (const auto& save : saves) {
            try {
                save();
                ADD_FAILURE() << "a read-only file took a save";
            } catch (const DbError& error) {
                EXPECT_TRUE(error.IsReadOnly()) << error.description();
                EXPECT_FALSE(error.IsLocked());
            }
        }
        EXPECT_EQ(told, (std::vector<std::string>{path_, path_}));
        EXPECT_FALSE(connection.InTransaction());
        EXPECT_EQ(jv::test::SqliteFile(path_).Value("PRAGMA journal_mode"), mode);

        // Writable again: the next save stores, through any copy of the connection, untold.
        locked.reset();
        Connection copy = connection;
        copy.ExecuteNonQuery(tyres);
        EXPECT_FALSE(connection.IsReadOnly());
        EXPECT_EQ(Count(connection, "Tyres"), 1);
        EXPECT_EQ(Count(connection, "Fuel"), 1);
        EXPECT_EQ(told.size(), 2U);
        connection.ExecuteNonQuery("DELETE FROM Categories WHERE Name = 'Tyres'");
    }
}

// A save that meets a full disk (here the file's page limit, which the engine meets as it would a
// full disk) is told once, only when the connection holds nothing of the file any more, and before
// the failure reaches the caller; once there is room the same save stores, untold.
TEST_F(ConnectionSharing, ASaveOnAFullDiskIsToldOnceTheConnectionHoldsNothing) {
    Connection connection = Connection::Open(path_);
    std::vector<std::string> told;
    bool heldWhenTold = true;
    connection.SetDiskFullNotice([&](const std::string& path) {
        told.push_back(path);
        heldWhenTold = connection.InTransaction();
    });
    const int pages = connection.Execute("PRAGMA page_count").GetInt("page_count").value_or(0);
    ASSERT_GT(pages, 0);
    connection.Execute("PRAGMA max_page_count = " + std::to_string(pages));
    const std::string big = "INSERT INTO Categories (Name) VALUES (hex(zeroblob(100000)))";
    const struct {
        const char* what;
        std::function<void()> save;
    } saves[] = {
        {"a change of its own", [&] { connection.ExecuteNonQuery(big); }},
        {"a transaction",
         [&] {
             jv::db::Transaction transaction(connection);
             connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Fuel')");
             connection.ExecuteNonQuery(big);
             transaction.Commit();
         }},
        // Rows copied by one statement: the engine undoes that statement only, and the transaction
        // stands until it ends.
        {"a statement undone within its transaction",
         [&] {
             jv::db::Transaction transaction(connection);
             connection.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Fuel')");
             try {
                 connection.ExecuteNonQuery(
                     "INSERT INTO Categories (Name) SELECT hex(zeroblob(100000)) FROM Categories");
             } catch (const DbError&) {
                 EXPECT_TRUE(told.empty()) << "told while the transaction stood";
                 EXPECT_TRUE(connection.InTransaction());
                 throw;
             }
             transaction.Commit();
         }},
    };
    for (const auto& save : saves) {
        SCOPED_TRACE(save.what);
        told.clear();
        try {
            save.save();
            ADD_FAILURE() << "a full disk took a save";
        } catch (const DbError& error) {
            EXPECT_TRUE(error.IsDiskFull()) << error.description();
            EXPECT_EQ(told, std::vector<std::string>{path_}) << "told before the failure reached the caller";
        }
        EXPECT_FALSE(heldWhenTold);
        EXPECT_FALSE(connection.InTransaction());
        EXPECT_EQ(told.size(), 1u);
        EXPECT_EQ(Count(connection, "Fuel"), 0);
    }

    connection.Execute("PRAGMA max_page_count = 1000000");
    told.clear();
    saves[1].save();
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(Count(connection, "Fuel"), 1);
}

}  // namespace
