// The main program and the companion write one user database: a writer killed at any moment
// leaves every save whole or absent, and two writers beside a reader never fail nor lose a save.
// The programs are forked copies of the test, each with its own connection, opened after the
// fork (an open connection must not be carried across one).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "platform/db/Connection.h"
#include "shared/data/MaintenancePlanItem.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kCar = "77777777-7777-7777-7777-777777777777";
constexpr int kPlanItems = 6;

// A user database with one car whose plan has kPlanItems items, closed again.
class SharedFile {
public:
    SharedFile() : path_(dir_.File("user.jvdb")) {
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path_);
        jv::db::Connection db = jv::db::Connection::Open(path_);
        db.ExecuteNonQuery(
            "INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'P', 'N')");
        const std::string plan = std::to_string(db.Execute("SELECT @@IDENTITY AS id").GetInt("id").value_or(0));
        db.ExecuteNonQuery(
            "INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom, PurchaseDate, "
            "PurchaseOdometer) VALUES ('" +
            kCar + "', 'Shared car', 0, " + plan + ", 0, -1, #1/1/2023#, 500)");
        // The car's first reading, where its reminders count from; the writers' odometers are higher.
        db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + kCar +
                           "', #1/1/2023#, 100)");
        for (int i = 0; i < kPlanItems; ++i) {
            db.ExecuteNonQuery(
                "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, "
                "INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES (" +
                plan + ", 'Item " + std::to_string(i) + "', 'Check', " + std::to_string(1000 * (i + 1)) + ", " +
                std::to_string(i + 1) + ", 0)");
            items_.push_back(db.Execute("SELECT @@IDENTITY AS id").GetInt("id").value_or(0));
        }
    }

    const std::string& path() const { return path_; }
    const jv::test::TempDir& dir() const { return dir_; }
    const std::vector<int>& items() const { return items_; }

private:
    jv::test::TempDir dir_;
    std::string path_;
    std::vector<int> items_;
};

// What a save left: its number of items (kept in Notes as "items=N") and its odometer.
struct Stored {
    int items = 0;
    long odometer = 0;
    bool operator==(const Stored&) const = default;
};
using Services = std::map<std::string, Stored>;

// A writer program. Each save is journaled in a file of its own, one write per line so a line is
// whole even when the writer is killed: "B <op> <service> <items> <odometer>" before the save,
// "E <1|0> <service>" once it returned. Odometers are apart by 3, so that every service has a
// reading of its own, and start at `firstOdometer`.
class Writer {
public:
    Writer(const SharedFile& file, const std::string& journal, unsigned seed, long firstOdometer)
        : journal_(open(journal.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)),
          random_(seed),
          items_(file.items()),
          odometer_(firstOdometer),
          db_(jv::db::Connection::Open(file.path())) {}
    ~Writer() { close(journal_); }

    // Saves until the deadline (or until killed): adds, updates with new items, deletes.
    int Run(Clock::time_point deadline, bool takeOverStoredServices) {
        if (takeOverStoredServices) {
            jv::db::Recordset rs = db_.GetConnection().Execute("SELECT ServiceID FROM Services");
            for (; !rs.IsEOF(); rs.MoveNext()) services_.push_back(std::to_string(rs.GetInt("ServiceID").value_or(0)));
        }
        while (Clock::now() < deadline) SaveOne();
        return 0;
    }

private:
    void SaveOne() {
        const int choice = std::uniform_int_distribution<int>(0, 99)(random_);
        std::shuffle(items_.begin(), items_.end(), random_);
        const int count = std::uniform_int_distribution<int>(0, kPlanItems)(random_);
        std::vector<CMaintenancePlanItem> items(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            items[static_cast<size_t>(i)].MaintenancePlanItemID = items_[static_cast<size_t>(i)];
        const std::string notes = "items=" + std::to_string(count);
        odometer_ += 3;
        const std::string odometer = std::to_string(odometer_);
        const std::string date = "1/" + std::to_string(1 + odometer_ % 28) + "/2024";

        if (services_.empty() || choice < 55) {
            Line("B a - " + std::to_string(count) + " " + odometer + "\n");
            std::string id;
            const bool ok =
                db_.AddService(id, kCar, date, odometer, "Garage", "", "", "", "", "", "", notes, false, items);
            if (ok) services_.push_back(id);
            Line("E " + std::string(ok ? "1 " : "0 ") + (ok ? id : "-") + "\n");
            return;
        }
        const size_t which = std::uniform_int_distribution<size_t>(0, services_.size() - 1)(random_);
        const std::string id = services_[which];
        if (choice < 85) {
            Line("B u " + id + " " + std::to_string(count) + " " + odometer + "\n");
            const bool ok = db_.UpdateService(id, "", date, odometer, "", "", "", "", "", "", "", notes, items);
            Line("E " + std::string(ok ? "1 " : "0 ") + id + "\n");
        } else {
            Line("B d " + id + " 0 0\n");
            const bool ok = db_.DeleteService(id);
            if (ok) services_.erase(services_.begin() + static_cast<long>(which));
            Line("E " + std::string(ok ? "1 " : "0 ") + id + "\n");
        }
    }

    void Line(const std::string& text) {
        if (write(journal_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(97);
    }

    int journal_;
    std::mt19937 random_;
    std::vector<int> items_;
    long odometer_;
    CServiceRegisterDatabaseObject db_;
    std::vector<std::string> services_;
};

// What the test learns from a writer's journal.
struct Journal {
    Services acknowledged;          // the services as the saves that returned true left them
    std::vector<std::string> gone;  // deleted by a save that returned true
    long saves = 0;                 // saves that returned
    long failed = 0;                // saves that returned false
    // The save under way when the writer was killed: its service may be either way.
    char openOperation = 0;
    std::string openService;
};

Journal ReadJournal(const std::string& path, Services acknowledged) {
    Journal journal;
    journal.acknowledged = std::move(acknowledged);
    std::istringstream lines(jv::test::ReadFile(path));
    std::string line;
    char op = 0;
    std::string service;
    Stored stored;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "B") {
            fields >> op >> service >> stored.items >> stored.odometer;
            journal.openOperation = op;
            journal.openService = service;
            continue;
        }
        int ok = 0;
        std::string id;
        fields >> ok >> id;
        journal.openOperation = 0;
        ++journal.saves;
        if (!ok) {
            ++journal.failed;
        } else if (op == 'd') {
            journal.acknowledged.erase(id);
            journal.gone.push_back(id);
        } else {
            journal.acknowledged[id] = stored;
        }
    }
    return journal;
}

// How many saves a writer's journal shows returned so far.
long SavesReturned(const std::string& journal) {
    std::error_code missing;
    if (!std::filesystem::exists(journal, missing)) return 0;
    const std::string text = jv::test::ReadFile(journal);
    long returned = 0;
    for (size_t at = text.find("E "); at != std::string::npos; at = text.find("\nE ", at + 1)) ++returned;
    return returned;
}

// What the file holds, read past the classes under test, and the faults it shows.
struct FileState {
    std::string integrity;
    long partialServices = 0;  // a service with other than all of its items
    long strayItems = 0;       // items of a service that is not there
    long withoutReading = 0;   // a service whose odometer the car has no reading of
    long strayReadings = 0;    // a reading no service stands for (the car's first one aside)
    Services services;
};

FileState ReadFile(const std::string& path) {
    jv::test::SqliteFile file(path);
    FileState state;
    state.integrity = file.Value("PRAGMA integrity_check");
    auto count = [&](const std::string& sql) { return std::stol(file.Value("SELECT count(*) FROM " + sql)); };
    state.partialServices = count(
        "Services s WHERE (SELECT count(*) FROM ServiceItems i WHERE i.ServiceID = s.ServiceID) <>"
        " CAST(substr(s.Notes, 7) AS INTEGER)");
    state.strayItems = count("ServiceItems WHERE ServiceID NOT IN (SELECT ServiceID FROM Services)");
    state.withoutReading = count(
        "Services s WHERE NOT EXISTS (SELECT 1 FROM OdometerValues o WHERE o.VehicleID = s.VehicleID AND"
        " o.OdometerValue = s.Odometer)");
    state.strayReadings = count(
        "OdometerValues o WHERE o.OdometerValue >= 1000 AND NOT EXISTS (SELECT 1 FROM Services s WHERE s.VehicleID = "
        "o.VehicleID AND"
        " s.Odometer = o.OdometerValue)");
    for (const std::string& row :
         file.Rows("SELECT ServiceID, substr(Notes, 7), CAST(Odometer AS INTEGER) FROM Services")) {
        std::istringstream fields(row);
        std::string id, items, odometer;
        std::getline(fields, id, '|');
        std::getline(fields, items, '|');
        std::getline(fields, odometer, '|');
        state.services[id] = Stored{std::stoi(items), std::stol(odometer)};
    }
    return state;
}

// The saves that returned true but are not in the file as they left it; the one save under way
// when the writer died may have been kept or not.
long LostSaves(const Journal& journal, const FileState& file, std::string& first) {
    long lost = 0;
    for (const auto& [id, stored] : journal.acknowledged) {
        if (id == journal.openService) continue;
        const auto found = file.services.find(id);
        if (found == file.services.end() || !(found->second == stored)) {
            if (lost++ == 0) first = "service " + id;
        }
    }
    for (const std::string& id : journal.gone) {
        if (id != journal.openService && file.services.count(id) != 0 && journal.acknowledged.count(id) == 0) {
            if (lost++ == 0) first = "deleted service " + id;
        }
    }
    // A service nobody acknowledged: only the add under way may have left one.
    long unknown = 0;
    for (const auto& [id, stored] : file.services) unknown += journal.acknowledged.count(id) == 0 ? 1 : 0;
    if (unknown > (journal.openOperation == 'a' ? 1 : 0)) {
        if (lost++ == 0) first = std::to_string(unknown) + " services nobody saved";
    }
    return lost;
}

void ExpectSound(const FileState& file, const std::string& when) {
    EXPECT_EQ(file.integrity, "ok") << when;
    EXPECT_EQ(file.partialServices, 0) << when;
    EXPECT_EQ(file.strayItems, 0) << when;
    EXPECT_EQ(file.withoutReading, 0) << when;
    EXPECT_EQ(file.strayReadings, 0) << when;
}

TEST(TwoPrograms, AWriterKilledAtAnyMomentLeavesEverySaveWholeOrAbsent) {
    SharedFile file;
    std::mt19937 random(20261209);
    // The writer dies once it has returned from 0 to 3 saves, a moment later: while it opens the
    // file, between two saves or in the middle of one, whatever the speed of the machine.
    std::uniform_int_distribution<int> killAfterSaves(0, 3);
    std::uniform_int_distribution<int> killAfterMicroseconds(0, 3000);
    // A fixed number of rounds, not a time budget: a busy machine makes the rounds slower, not fewer.
    constexpr int kRounds = 120;
    Services acknowledged;
    long kills = 0, saves = 0, failed = 0, lost = 0, unsound = 0;
    std::string firstLost;
    for (int round = 0; round < kRounds; ++round) {
        const std::string journalPath = file.dir().File("journal-" + std::to_string(round));
        {
            jv::test::ChildProcess writer([&] {
                Writer w(file, journalPath, static_cast<unsigned>(round), 1000 + 6000L * round);
                return w.Run(Clock::now() + 5s, true);
            });
            const long killAfter = killAfterSaves(random);
            const auto giveUp = Clock::now() + 2s;
            while (SavesReturned(journalPath) < killAfter && Clock::now() < giveUp) std::this_thread::sleep_for(200us);
            std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicroseconds(random)));
            writer.Kill();
            if (writer.Wait() == 128 + SIGKILL) ++kills;
        }
        const Journal journal = ReadJournal(journalPath, acknowledged);
        const FileState state = ReadFile(file.path());
        saves += journal.saves;
        failed += journal.failed;
        lost += LostSaves(journal, state, firstLost);
        const bool sound = state.integrity == "ok" && state.partialServices == 0 && state.strayItems == 0 &&
                           state.withoutReading == 0 && state.strayReadings == 0;
        if (!sound && unsound++ == 0) ExpectSound(state, "after kill " + std::to_string(round));
        // The file, found sound, is what the next writer starts from.
        acknowledged = state.services;
    }
    std::cout << "[ figures  ] " << kills << " kills, " << saves << " saves returned, " << acknowledged.size()
              << " services stored\n";
    EXPECT_GE(kills, 100);
    EXPECT_GT(saves, 100);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(unsound, 0);
    EXPECT_EQ(lost, 0) << "first: " << firstLost;
}

TEST(TwoPrograms, TwoWritersAndAReaderNeitherFailNorLoseASave) {
    SharedFile file;
    const auto deadline = Clock::now() + 2500ms;
    jv::test::StartGate gate;
    std::vector<std::unique_ptr<jv::test::ChildProcess>> writers;
    for (int w = 0; w < 2; ++w) {
        const std::string journal = file.dir().File("journal-" + std::to_string(w));
        writers.push_back(std::make_unique<jv::test::ChildProcess>([&, w, journal] {
            Writer writer(file, journal, static_cast<unsigned>(w), 1000 + 10000000L * w);
            gate.Pass();
            return writer.Run(deadline, false);
        }));
    }
    gate.Open();
    // The reader: the companion's reminders pass over the same file, opened after the forks.
    long passes = 0, failedPasses = 0, emptyPasses = 0;
    {
        CRemindersDatabaseObject reminders(jv::db::Connection::Open(file.path()));
        CUserPreferences preferences;
        while (Clock::now() < deadline) {
            std::vector<CReminder> due;
            if (!reminders.GetReminders("%", jv::DateTime::Null(), jv::DateTime(2030, 1, 1), due, preferences)) {
                ++failedPasses;
            }
            if (due.empty()) ++emptyPasses;
            ++passes;
        }
    }
    Journal all;
    for (int w = 0; w < 2; ++w) {
        EXPECT_EQ(writers[w]->Wait(), 0) << "writer " << w;
        const Journal journal = ReadJournal(file.dir().File("journal-" + std::to_string(w)), {});
        all.saves += journal.saves;
        all.failed += journal.failed;
        all.acknowledged.insert(journal.acknowledged.begin(), journal.acknowledged.end());
        all.gone.insert(all.gone.end(), journal.gone.begin(), journal.gone.end());
    }
    const FileState state = ReadFile(file.path());
    std::string firstLost;
    std::cout << "[ figures  ] " << all.saves << " saves, " << passes << " reminders passes\n";
    EXPECT_GT(all.saves, 50);
    EXPECT_GT(passes, 10);
    EXPECT_EQ(all.failed, 0);
    EXPECT_EQ(failedPasses, 0);
    EXPECT_EQ(emptyPasses, 0);
    EXPECT_EQ(LostSaves(all, state, firstLost), 0) << "first: " << firstLost;
    EXPECT_EQ(state.services, all.acknowledged);
    ExpectSound(state, "after both writers");
}

}  // namespace
