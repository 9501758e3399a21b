#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/db/Recordset.h"
#include "platform/db/Rows.h"

namespace jv::db {

struct ConnectionState;

// A connection to one user database file. Copies share the same open file (counted), as every
// database object holds a copy of the one connection the user database owns.
//
// Statements are the Jet SQL text the program builds; the connection translates the Jet forms it
// uses (#m/d/yyyy# date literals, @@IDENTITY, "+" between strings, ALTER COLUMN, ...) before
// SQLite sees them. Exactly one statement per call. Every failure throws DbError.
//
// Each text is translated and prepared once: the prepared statements are kept by their text
// (the most recently used few hundred) and run again from there, until the tables change.
//
// The main program and the companion open the same file at once. The file runs with a write-ahead
// log, so a reader never waits for a writer and a writer never waits for a reader; a commit is on
// the disk before it returns (it survives a power loss). A writer that finds the other program
// writing waits for it, backing off, up to `busyWait`; only then does its statement fail. A stop
// asked of the program (jv::stop) ends every such wait at once: the statement fails as if the
// wait had run out.
class Connection {
public:
    // A value bound to a "?" of a query's text.
    using Parameter = std::variant<std::int64_t, double, std::string>;

    // How long a writer waits for the other program before its statement fails: long enough
    // for any save of the other program, short enough that a hung program is reported.
    static constexpr std::chrono::milliseconds kBusyWait{30000};

    // Asked, with the file's path, when a save finds another program holding the file's write
    // lock: true to wait for it once more, false to give the save up (it fails as locked). See
    // SetBusyQuestion.
    using BusyQuestion = std::function<bool(const std::string& path)>;

    // What a transaction holds of the file.
    enum class Lock {
        // The right to write: other writers wait, readers go on reading what was committed last.
        Write,
        // The whole file for a long run (the schema upgrade): keeps the file from every other
        // writer, and in a file without a write-ahead log from readers too, until it ends. Waits
        // for the other program as a write does, up to the connection's wait.
        Exclusive
    };

    Connection() = default;  // not open

    // What Open does to the file's journal: switch it to the write-ahead log, or leave it as it is
    // for the caller to look at the file first (UseWriteAheadLog then).
    enum class Journal { WriteAheadLog, Unchanged };

    // Asked, with the file's path, when a save finds that the file can only be read: the user
    // hears that nothing was saved. See SetReadOnlyNotice.
    using ReadOnlyNotice = std::function<void(const std::string& path)>;

    // Opens an existing database file; never creates one. Throws DbError when the file is
    // missing or is not a database. A file that cannot be written (read-only) opens for reading,
    // in the journal mode it has; so does one whose mode cannot change within `busyWait` (another
    // program reads or writes it without a write-ahead log). With Journal::Unchanged nothing is
    // written into the file: only what the caller runs changes it.
    //
    // The engine makes its "-wal" and "-shm" files beside the database with the database file's
    // mode: those of the user's that the user cannot write (made beside a read-only file) are made
    // writable for the user, so that they never keep a writable file from being written.
    static Connection Open(const std::string& path, std::chrono::milliseconds busyWait = kBusyWait,
                           Journal journal = Journal::WriteAheadLog);
    // The write-ahead log as Open switches to it (see Journal::Unchanged).
    void UseWriteAheadLog();

    bool IsOpen() const { return static_cast<bool>(state_); }
    // True when the file can only be read (its permissions, an unchangeable file). Such a file is
    // opened again for writing by the first save that finds it writable; until then every save
    // fails at its start as read-only (DbError::IsReadOnly), nothing of it done.
    bool IsReadOnly() const;
    // From now on (every copy of the connection) a save refused because the file can only be read
    // first calls `notice` (on the thread that saves, which may show the user a box meanwhile).
    // Not called while the busy question or the notice stands already. A null notice takes it back.
    void SetReadOnlyNotice(ReadOnlyNotice notice);
    // Asked, with the file's path, when a save met a full disk: the user hears that nothing was
    // saved. See SetDiskFullNotice.
    using DiskFullNotice = ReadOnlyNotice;
    // The same for a save that met a full disk: `notice` is called once the engine has undone
    // what the save wrote and the connection holds nothing of the file (when the statement failed
    // outside a transaction, or the transaction it failed in has ended), before the failure
    // reaches the caller of that call. Not called while the busy question or a notice stands.
    void SetDiskFullNotice(DiskFullNotice notice);
    // The file has a table (or view) of that name, regardless of case.
    bool HasTable(const std::string& name);
    // How long a writer waits for the other program from now on (every copy of the connection).
    void SetBusyWait(std::chrono::milliseconds busyWait);
    std::chrono::milliseconds busyWait() const;
    // From now on (every copy of the connection) a save waits for another program's write lock
    // only `saveWait`, then asks `question` (on the thread that saves, which may show the user a
    // box meanwhile) and, as it answers, waits again or gives up. A save is the start of a write
    // transaction or a change made outside one: nothing of it has been done when it is asked, so
    // the question never stands while this connection holds anything of the file. Not asked while
    // a stop is requested nor while the question stands already: the save then fails at once. A
    // null question takes it back.
    void SetBusyQuestion(BusyQuestion question, std::chrono::milliseconds saveWait);
    void Close();  // this copy lets go; the file closes when the last copy does

    // Runs a statement that returns rows.
    Recordset Execute(const std::string& sql);
    // Runs a statement that returns no rows; the number of rows it changed.
    long ExecuteNonQuery(const std::string& sql);
    // Runs a query whose rows are read as the engine steps to them, none kept (see Rows), with
    // values for the "?" in its text.
    Rows Query(const std::string& sql, const std::vector<Parameter>& parameters = {});

    // A number that changes whenever the file's content changes, through this connection or any
    // other (the other program's included), so that what was worked out from the content may be
    // kept while it stays the same. Nothing inside a transaction, whose changes may still be
    // undone: nothing worked out there may be kept.
    std::optional<std::uint64_t> ContentVersion();
    // What the program worked out from the file's content and keeps under a name, for as long as
    // ContentVersion gives `version`: null when nothing is kept under the name for that version.
    std::shared_ptr<const void> Derived(std::string_view name, std::uint64_t version) const;
    void KeepDerived(std::string_view name, std::uint64_t version, std::shared_ptr<const void> value);
    // The same for what was worked out from one part of the content, kept for as long as that
    // part's own change number (`stamp`, such as a car's in the table CarChanges) stays the same,
    // however the rest of the content changes; everything kept so goes when the tables change.
    std::shared_ptr<const void> KeptFor(std::string_view name, std::uint64_t stamp) const;
    void KeepFor(std::string_view name, std::uint64_t stamp, std::shared_ptr<const void> value);

    // The outer transaction takes its lock at once, so two programs never deadlock upgrading a
    // read lock; an inner one is a savepoint of the outer one, whatever its lock.
    void BeginTrans(Lock lock = Lock::Write);
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;

    // The SQLite text a Jet statement becomes (exposed for tests and the log).
    static std::string Translate(const std::string& jetSql);

    const std::string& path() const;

private:
    // ExecuteNonQuery and BeginTrans without the telling of a full disk.
    long RunNonQuery(const std::string& sql);
    void Begin(Lock lock);

    std::shared_ptr<ConnectionState> state_;
};

// Rolls back in its destructor unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection, Connection::Lock lock = Connection::Lock::Write);
    ~Transaction();
    void Commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& connection_;
    bool done_ = false;
};

}  // namespace jv::db
