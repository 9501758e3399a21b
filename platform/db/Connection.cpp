#include "platform/db/Connection.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/base/Paths.h"
#include "platform/base/StopSignals.h"
#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"
#include "platform/db/Schema.h"
#include "platform/db/Statement.h"
#include "platform/db/StatementCache.h"
#include "platform/db/TableRebuild.h"

namespace jv::db {

namespace {

constexpr const char* kSource = "jv::db::Connection";
// The longest pause between two looks at a lock the other program holds: short, so that a writer
// finds the lock free between two saves of a program that saves without pause.
constexpr int kLongestPauseMs = 2;
// How many prepared statements a connection keeps: the texts one page of the program runs.
constexpr size_t kKeptStatements = 256;

[[noreturn]] void NotOpen(const std::string& statement) {
    throw DbError(kSource, "Operation is not allowed when the object is closed.", "", statement);
}

}  // namespace

// What the program worked out and keeps, by name, with the number it holds for.
using KeptValues = std::unordered_map<std::string, std::pair<std::uint64_t, std::shared_ptr<const void>>>;

// The one open file that every copy of a connection shares.
struct ConnectionState {
    sqlite3* db = nullptr;
    std::string path;
    int transactionDepth = 0;
    // How long a writer waits for the other program's lock, and since when it has been waiting.
    std::chrono::milliseconds busyWait{0};
    std::chrono::steady_clock::time_point waitingSince;
    // What a save asks when the other program holds the write lock beyond saveWait, and whether
    // the question stands now.
    Connection::BusyQuestion busyQuestion;
    std::chrono::milliseconds saveWait{0};
    bool asking = false;
    // What a save refused for a read-only file tells first.
    Connection::ReadOnlyNotice readOnlyNotice;
    // What a save that met a full disk tells, and whether it is still to be told (the failure
    // came inside a transaction the engine still holds).
    Connection::DiskFullNotice diskFullNotice;
    bool diskFullUntold = false;
    // The file runs with the write-ahead log (set again when the file is opened again).
    bool writeAheadLog = false;
    std::minstd_rand jitter{std::random_device{}()};
    // What the statement translation knows of the tables, and the schema version it was read at.
    Schema schema;
    long long schemaVersion = -1;
    sqlite3_stmt* schemaVersionQuery = nullptr;
    StatementCache statements{kKeptStatements};
    // What the program worked out from the content, by name, with the content version it holds for.
    KeptValues derived;
    // The same by the change number of the part of the content it was worked out from.
    KeptValues kept;

    ~ConnectionState() {
        statements.Clear();
        sqlite3_finalize(schemaVersionQuery);
        sqlite3_close_v2(db);
    }

    // Re-reads the tables when this or another connection changed them; the statements prepared
    // and translated for the old tables go.
    void RefreshSchema(const std::string& statement) {
        int rc = SQLITE_OK;
        if (schemaVersionQuery == nullptr) {
            rc = sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &schemaVersionQuery, nullptr);
        }
        long long version = -1;
        if (rc == SQLITE_OK && (rc = sqlite3_step(schemaVersionQuery)) == SQLITE_ROW) {
            version = sqlite3_column_int64(schemaVersionQuery, 0);
        }
        sqlite3_reset(schemaVersionQuery);
        if (rc != SQLITE_ROW) Statement::Throw(db, rc, statement);
        if (version != schemaVersion) {
            statements.Clear();
            // Change numbers count only while the tables that keep them stay as they are.
            kept.clear();
            schema = Schema::Load(db);
            schemaVersion = version;
        }
    }
};

namespace {

// Called by the engine while another connection holds the lock this one needs; `attempt` counts
// the calls of one wait from 0. Pauses a little longer each time (up to kLongestPauseMs, with some
// jitter, so that two waiting programs do not look in step), and gives up once the connection's
// wait has passed or the program is asked to stop: the statement then fails as "database is
// locked".
int WaitForLock(void* context, int attempt) {
    auto* state = static_cast<ConnectionState*>(context);
    if (jv::stop::Requested()) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0) state->waitingSince = now;
    if (now - state->waitingSince >= state->busyWait) return 0;
    const int longest = std::min(1 << std::min(attempt, 4), kLongestPauseMs);
    std::uniform_int_distribution<int> pause(longest * 500, longest * 1000);
    std::this_thread::sleep_for(std::chrono::microseconds(pause(state->jitter)));
    return 1;
}

// Journal mode and durability, set at every open. The write-ahead log lets the programs read
// while the other writes; the engine makes its "-wal" and "-shm" files beside the database with
// the database file's own mode, so they are as private as the file. A file that cannot be
// written keeps the journal mode it has, and so does one whose mode cannot change now: the
// program works with either, only the two programs wait for each other more.
void SetJournal(sqlite3* db) {
    if (sqlite3_db_readonly(db, "main") != 1) {
        try {
            ExecuteDirect(db, "PRAGMA journal_mode=WAL", "");
        } catch (const DbError&) {
            // The file stays in the mode it has; see above.
        }
    }
    // In write-ahead-log mode, FULL syncs the log at every commit: a save that returned is kept
    // across a power loss, not only across a crash of the program.
    ExecuteDirect(db, "PRAGMA synchronous=FULL", "");
}

// Runs `write`, the first step of a save (it takes the file's write lock), as the connection's
// busy question answers: each time another program held the lock for the save's wait, the user is
// asked whether to wait once more. The step failed as a whole each time, so it can run again.
void AskingWhileBusy(ConnectionState& state, const std::function<void()>& write) {
    for (;;) {
        const Connection::BusyQuestion question = state.busyQuestion;
        const std::chrono::milliseconds before = state.busyWait;
        if (question) state.busyWait = std::min(before, state.saveWait);
        try {
            write();
            state.busyWait = before;
            return;
        } catch (const DbError& error) {
            state.busyWait = before;
            if (!question || !error.IsLocked() || jv::stop::Requested() || state.asking) throw;
            state.asking = true;
            bool again = false;
            try {
                again = question(state.path);
            } catch (...) {
                state.asking = false;
                throw;
            }
            state.asking = false;
            if (!again) throw;
        }
    }
}

// The engine's files beside a database of the user's that the user cannot write (the engine made
// them with the mode of a read-only database file, or an earlier run did) become writable for the
// user: left so, they would keep every later save from the file once it is writable again. Files
// of other users are left alone. `path` may be a link: the engine keeps them beside its target.
void KeepBesideFilesWritable(const std::string& path) {
    char resolved[PATH_MAX];
    const std::string file = realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
    for (const char* end : {"-wal", "-shm"}) {
        const std::string beside = file + end;
        struct stat info {};
        if (lstat(beside.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) continue;
        if ((info.st_mode & S_IWUSR) != 0) continue;
        // A failure leaves the file as it was; the engine then reports what it cannot write.
        (void)chmod(beside.c_str(), (info.st_mode & 07777) | S_IRUSR | S_IWUSR);
    }
}

// Opens the file at the state's path for the state, its journal set as the state asks, and
// returns the engine's handle; throws DbError (the handle closed) when it cannot be read.
sqlite3* OpenFile(ConnectionState& state) {
    const std::string& path = state.path;
    KeepBesideFilesWritable(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) Statement::Throw(db, rc, "");
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_handler(db, WaitForLock, &state);
        // Double quotes are strings in Jet; the translation turns them into SQL strings, so an
        // identifier in double quotes never falls back to being text.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);

        // A file that is not a database shows it on the first read: make that read now.
        sqlite3_stmt* check = nullptr;
        int checkRc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &check, nullptr);
        if (checkRc == SQLITE_OK) checkRc = sqlite3_step(check);
        sqlite3_finalize(check);
        if (checkRc != SQLITE_ROW) {
            if ((checkRc & 0xff) == SQLITE_NOTADB) {
                throw DbError(kSource, "Unrecognized database format '" + path + "'.", sqlite3_errstr(checkRc), "",
                              checkRc);
            }
            Statement::Throw(db, checkRc, "");
        }
        // The read made the engine's files beside a file in write-ahead-log mode.
        KeepBesideFilesWritable(path);
        if (state.writeAheadLog) SetJournal(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

// A file opened for reading only that the user can write now (its mode changed) is opened again,
// for writing. Only between two saves (no transaction); statements lent out now go on reading
// the handle they were made on, which closes when the last of them is done. A file that still
// cannot be opened for writing stays open as it was.
void ReopenIfWritable(ConnectionState& state) {
    if (sqlite3_db_readonly(state.db, "main") != 1 || state.transactionDepth != 0 || !sqlite3_get_autocommit(state.db))
        return;
    if (access(state.path.c_str(), W_OK) != 0) return;
    sqlite3* db = nullptr;
    try {
        db = OpenFile(state);
    } catch (const DbError&) {
        return;
    }
    state.statements.Clear();
    sqlite3_finalize(state.schemaVersionQuery);
    state.schemaVersionQuery = nullptr;
    sqlite3_close_v2(state.db);
    state.db = db;
    state.schemaVersion = -1;
    state.RefreshSchema("");
}

// Calls the notice (a copy: it may take itself back meanwhile), unless another question or notice
// stands or a stop is asked for.
void Tell(ConnectionState& state, const Connection::ReadOnlyNotice notice) {
    if (!notice || state.asking || jv::stop::Requested()) return;
    state.asking = true;
    try {
        notice(state.path);
    } catch (...) {
        state.asking = false;
        throw;
    }
    state.asking = false;
}

// The start of a save on a file that can only be read: the user is told (the notice), and the
// save fails before anything of it is done.
void RefuseIfReadOnly(ConnectionState& state, const std::string& statement) {
    if (sqlite3_db_readonly(state.db, "main") != 1) return;
    Tell(state, state.readOnlyNotice);
    throw DbError(kSource, "Cannot update. Database or object is read-only.", sqlite3_errstr(SQLITE_READONLY),
                  statement, SQLITE_READONLY);
}

// A full disk told once the connection holds nothing of the file any more.
void TellDiskFullWhenFree(ConnectionState& state) {
    if (!state.diskFullUntold || state.transactionDepth != 0 || !sqlite3_get_autocommit(state.db)) return;
    state.diskFullUntold = false;
    Tell(state, state.diskFullNotice);
}

// Runs `work`, a call of the connection that writes; a full disk it meets is told (now, or as its
// transaction ends) before the failure goes on to the caller. The engine undoes the whole
// transaction for a full disk where it cannot undo the one statement: the connection then holds
// no transaction.
template <typename Work>
auto TellingDiskFull(const std::shared_ptr<ConnectionState>& state, Work&& work) {
    try {
        return work();
    } catch (const DbError& error) {
        if (!error.IsDiskFull()) throw;
        state->diskFullUntold = true;
        if (sqlite3_get_autocommit(state->db)) state->transactionDepth = 0;
        TellDiskFullWhenFree(*state);
        throw;
    }
}

}  // namespace

Connection Connection::Open(const std::string& path, std::chrono::milliseconds busyWait, Journal journal) {
    // Jet opens existing files only; SQLite would quietly make a new, empty database.
    const std::string why = path.empty() ? std::string() : jv::paths::WhyNotAPlainFile(path);
    if (!why.empty()) throw DbError(kSource, "The file '" + path + "' cannot be used: " + why + ".", "", "");
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        throw DbError(kSource, "Could not find file '" + path + "'.", "", "");
    }
    if (info.st_size == 0) throw DbError(kSource, "Unrecognized database format '" + path + "'.", "", "");

    auto state = std::make_shared<ConnectionState>();
    state->path = path;
    state->busyWait = busyWait;
    state->writeAheadLog = journal == Journal::WriteAheadLog;
    state->db = OpenFile(*state);
    state->RefreshSchema("");

    Connection connection;
    connection.state_ = std::move(state);
    return connection;
}

void Connection::UseWriteAheadLog() {
    if (!state_) NotOpen("");
    state_->writeAheadLog = true;
    SetJournal(state_->db);
}

void Connection::Close() {
    state_.reset();
}

bool Connection::IsReadOnly() const {
    return state_ && sqlite3_db_readonly(state_->db, "main") == 1;
}

void Connection::SetReadOnlyNotice(ReadOnlyNotice notice) {
    if (state_) state_->readOnlyNotice = std::move(notice);
}

void Connection::SetDiskFullNotice(DiskFullNotice notice) {
    if (state_) state_->diskFullNotice = std::move(notice);
}

bool Connection::HasTable(const std::string& name) {
    if (!state_) NotOpen("");
    state_->RefreshSchema("");
    return state_->schema.HasTable(name);
}

void Connection::SetBusyWait(std::chrono::milliseconds busyWait) {
    if (state_) state_->busyWait = busyWait;
}

void Connection::SetBusyQuestion(BusyQuestion question, std::chrono::milliseconds saveWait) {
    if (!state_) return;
    state_->busyQuestion = std::move(question);
    state_->saveWait = saveWait;
}

std::chrono::milliseconds Connection::busyWait() const {
    return state_ ? state_->busyWait : std::chrono::milliseconds::zero();
}

const std::string& Connection::path() const {
    static const std::string kNone;
    return state_ ? state_->path : kNone;
}

std::string Connection::Translate(const std::string& jetSql) {
    return JetTranslator().Translate(jetSql).sql;
}

namespace {

// The statement of a Jet text, translated and prepared now or kept from an earlier run; an empty
// lease when it was a change of a column's type, which has been carried out already.
StatementCache::Lease Take(ConnectionState* state, const std::string& sql) {
    if (state == nullptr) NotOpen(sql);
    state->RefreshSchema(sql);
    const auto prepare = [state, &sql](const JetTranslation& translation) {
        return Statement::Prepare(state->db, translation.sql, sql);
    };
    if (StatementCache::Lease kept = state->statements.Find(sql, prepare)) return kept;
    JetTranslation translation = JetTranslator(&state->schema).Translate(sql);
    if (translation.columnChange) {
        RebuildWithColumnType(state->db, *translation.columnChange, sql);
        return {};
    }
    return state->statements.Add(sql, std::move(translation), prepare);
}

}  // namespace

Recordset Connection::Execute(const std::string& sql) {
    const StatementCache::Lease lease = Take(state_.get(), sql);
    if (!lease) return Recordset({}, {}, sql);
    return Statement(state_->db, lease.stmt(), sql).ReadAll(lease.translation().dateColumns);
}

long Connection::ExecuteNonQuery(const std::string& sql) {
    if (!state_) NotOpen(sql);
    // Copied: a notice may let every other copy of the connection go meanwhile.
    const std::shared_ptr<ConnectionState> kept = state_;
    return TellingDiskFull(kept, [&] { return RunNonQuery(sql); });
}

long Connection::RunNonQuery(const std::string& sql) {
    const bool outside = state_->transactionDepth == 0 && sqlite3_get_autocommit(state_->db);
    if (outside) ReopenIfWritable(*state_);
    const StatementCache::Lease lease = Take(state_.get(), sql);
    if (!lease) return 0;
    sqlite3_stmt* stmt = lease.stmt();
    // A change outside a transaction is a save of its own: it takes the write lock itself.
    if (outside && !sqlite3_stmt_readonly(stmt)) {
        // Copied: the question or the notice may let every other copy of the connection go meanwhile.
        const std::shared_ptr<ConnectionState> state = state_;
        RefuseIfReadOnly(*state, sql);
        long changed = 0;
        AskingWhileBusy(*state, [&] {
            sqlite3_reset(stmt);
            changed = Statement(state->db, stmt, sql).Run();
        });
        return changed;
    }
    return Statement(state_->db, stmt, sql).Run();
}

Rows Connection::Query(const std::string& sql, const std::vector<Parameter>& parameters) {
    StatementCache::Lease lease = Take(state_.get(), sql);
    if (!lease) return {};
    sqlite3_stmt* stmt = lease.stmt();
    if (static_cast<int>(parameters.size()) != sqlite3_bind_parameter_count(stmt)) {
        throw DbError(kSource, "No value given for one or more required parameters.", "", sql);
    }
    for (size_t i = 0; i < parameters.size(); ++i) {
        const int at = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        if (const auto* whole = std::get_if<std::int64_t>(&parameters[i])) {
            rc = sqlite3_bind_int64(stmt, at, *whole);
        } else if (const auto* real = std::get_if<double>(&parameters[i])) {
            rc = sqlite3_bind_double(stmt, at, *real);
        } else {
            const std::string& text = std::get<std::string>(parameters[i]);
            rc = sqlite3_bind_text(stmt, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) Statement::Throw(state_->db, rc, sql);
    }
    const std::vector<bool> dateColumns = lease.translation().dateColumns;
    return Rows(state_, state_->db, std::move(lease), dateColumns);
}

std::optional<std::uint64_t> Connection::ContentVersion() {
    if (!state_) NotOpen("");
    if (state_->transactionDepth > 0 || !sqlite3_get_autocommit(state_->db)) return std::nullopt;
    // A read of the file is what shows the engine another connection's changes.
    state_->RefreshSchema("");
    unsigned int version = 0;
    if (sqlite3_file_control(state_->db, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK) {
        return std::nullopt;
    }
    return version;
}

namespace {

// What is kept under the name for that number, or null.
std::shared_ptr<const void> KeptUnder(const KeptValues& values, std::string_view name, std::uint64_t number) {
    const auto found = values.find(std::string(name));
    if (found == values.end() || found->second.first != number) return nullptr;
    return found->second.second;
}

}  // namespace

std::shared_ptr<const void> Connection::Derived(std::string_view name, std::uint64_t version) const {
    return state_ ? KeptUnder(state_->derived, name, version) : nullptr;
}

void Connection::KeepDerived(std::string_view name, std::uint64_t version, std::shared_ptr<const void> value) {
    if (!state_) return;
    // What was kept for another version can never be used again.
    for (auto it = state_->derived.begin(); it != state_->derived.end();) {
        it = it->second.first != version ? state_->derived.erase(it) : std::next(it);
    }
    state_->derived[std::string(name)] = {version, std::move(value)};
}

std::shared_ptr<const void> Connection::KeptFor(std::string_view name, std::uint64_t stamp) const {
    return state_ ? KeptUnder(state_->kept, name, stamp) : nullptr;
}

void Connection::KeepFor(std::string_view name, std::uint64_t stamp, std::shared_ptr<const void> value) {
    if (!state_) return;
    state_->kept[std::string(name)] = {stamp, std::move(value)};
}

// Transactions nest as in Jet: the outer one is a real transaction (taking the write lock at
// once, so two programs never deadlock upgrading a read lock), inner ones are savepoints.
void Connection::BeginTrans(Lock lock) {
    if (!state_) NotOpen("BEGIN TRANSACTION");
    const std::shared_ptr<ConnectionState> kept = state_;
    TellingDiskFull(kept, [&] { Begin(lock); });
}

void Connection::Begin(Lock lock) {
    const int depth = state_->transactionDepth;
    if (depth == 0) {
        const std::shared_ptr<ConnectionState> state = state_;
        ReopenIfWritable(*state);
        RefuseIfReadOnly(*state, "BEGIN TRANSACTION");
    }
    if (depth > 0) {
        ExecuteDirect(state_->db, "SAVEPOINT jv_level_" + std::to_string(depth), "BEGIN TRANSACTION");
    } else if (lock == Lock::Write) {
        const std::shared_ptr<ConnectionState> state = state_;
        AskingWhileBusy(*state, [&state] { ExecuteDirect(state->db, "BEGIN IMMEDIATE", "BEGIN TRANSACTION"); });
    } else {
        ExecuteDirect(state_->db, "BEGIN EXCLUSIVE", "BEGIN TRANSACTION");
    }
    ++state_->transactionDepth;
}

void Connection::CommitTrans() {
    if (!state_) NotOpen("COMMIT TRANSACTION");
    const int depth = state_->transactionDepth;
    if (depth == 0 || sqlite3_get_autocommit(state_->db)) {
        state_->transactionDepth = 0;
        throw DbError(kSource, "No transaction is active.", "", "COMMIT TRANSACTION");
    }
    const std::string sql = depth == 1 ? "COMMIT" : "RELEASE jv_level_" + std::to_string(depth - 1);
    const std::shared_ptr<ConnectionState> kept = state_;
    TellingDiskFull(kept, [&] { ExecuteDirect(kept->db, sql, "COMMIT TRANSACTION"); });
    --state_->transactionDepth;
    // A full disk met by a statement of the transaction that the caller went on past.
    TellDiskFullWhenFree(*kept);
}

void Connection::RollbackTrans() {
    if (!state_) NotOpen("ROLLBACK TRANSACTION");
    const int depth = state_->transactionDepth;
    if (depth == 0) throw DbError(kSource, "No transaction is active.", "", "ROLLBACK TRANSACTION");
    const std::shared_ptr<ConnectionState> kept = state_;
    if (sqlite3_get_autocommit(state_->db)) {
        // The engine has already rolled everything back (a full disk, a lost lock).
        state_->transactionDepth = 0;
    } else if (depth == 1) {
        ExecuteDirect(state_->db, "ROLLBACK", "ROLLBACK TRANSACTION");
        --state_->transactionDepth;
    } else {
        const std::string name = "jv_level_" + std::to_string(depth - 1);
        ExecuteDirect(state_->db, "ROLLBACK TO " + name, "ROLLBACK TRANSACTION");
        ExecuteDirect(state_->db, "RELEASE " + name, "ROLLBACK TRANSACTION");
        --state_->transactionDepth;
    }
    // A full disk met inside the transaction is told now that nothing of it is held.
    TellDiskFullWhenFree(*kept);
}

bool Connection::InTransaction() const {
    return state_ && state_->transactionDepth > 0;
}

Transaction::Transaction(Connection& connection, Connection::Lock lock) : connection_(connection) {
    connection_.BeginTrans(lock);
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        connection_.RollbackTrans();
    } catch (const DbError&) {
        // Nothing more can be done from a destructor; the engine ends the transaction when the
        // connection closes.
    }
}

void Transaction::Commit() {
    connection_.CommitTrans();
    done_ = true;
}

}  // namespace jv::db
