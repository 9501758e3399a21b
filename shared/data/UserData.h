#pragma once

#include <chrono>
#include <string>

#include "platform/db/Connection.h"

// The user's database: owns the one connection to the user's database file, brings its schema
// up to date when it opens it, and hands copies of the connection to the database objects. The
// main program's document and the companion each hold one and may open the same file.
class CUserData {
public:
    // The schema version this program writes and reads.
    static constexpr int kCurrentVersion = 9;
    // How long opening the file waits in all for another program that holds it before it puts
    // off what can wait for a later open (the journal mode, the upgrade, the read indexes): the
    // window comes within a moment whoever holds the file.
    static constexpr std::chrono::milliseconds kOpenWait{2000};
    // The oldest version the program works on as it is when another program keeps it from
    // upgrading the file: a file of version 8 lacks only the record of changed cars, which the
    // program then does without. An older one lacks columns that every page reads.
    static constexpr int kOldestVersionUsedAsItIs = 8;

    CUserData() = default;

    // Opens the database file at `path` (an existing file; nothing is created) and upgrades its
    // schema. False, with the reason in the trace log, when the file cannot be opened; a failed
    // upgrade is logged and reported by CheckAndUpdateVersion and the database is still used.
    // False too when another program holds the file (IsHeldByAnotherProgram) longer than kOpenWait
    // so that it cannot be read, or so that a file older than kOldestVersionUsedAsItIs cannot be
    // upgraded before the program reads it: nothing is open then, and a later call may do. False
    // too, with nothing written into it, for a database that is not a Jorvane file
    // (IsNotJorvaneFile). A file the user cannot write is used as it is, not upgraded. A
    // file of a later version than this program's is used as it is: nothing of this program's
    // making (upgrade steps, the record of changes, indexes) is written into it.
    bool OpenConnections(const std::string& path);

    // A copy of the connection, not open before a successful OpenConnections.
    jv::db::Connection GetDatabaseConnection() const { return m_connection; }

    // Runs the upgrade steps from the stored version up to kCurrentVersion, and makes the file's
    // record of changes (carchanges) what this version writes when it is anything else. The
    // upgrade holds the file for its whole run; the other program opening the file meanwhile
    // waits for it up to kOpenWait and finds the current version, or uses the file as it is. A
    // file that another program holds for longer is not upgraded now: that is logged (a warning)
    // and the next open tries again. A step that fails changes nothing (the steps before it are
    // kept), is logged and reported, and the next open runs it again. True when the database is at
    // the current version (or later) afterwards.
    bool CheckAndUpdateVersion();

    bool IsConnected() const { return m_bConnected; }
    // The last OpenConnections gave false because another program held the file.
    bool IsHeldByAnotherProgram() const { return m_bHeld; }
    // The last OpenConnections gave false because the file is a database but not a Jorvane one
    // (another program's): nothing was written into it.
    bool IsNotJorvaneFile() const { return m_bNotJorvaneFile; }
    // The version the file gave at the last check (-1 when it could not be read), and whether a
    // later version of the program made it (the user should hear of it).
    int GetVersion() const { return m_nVersion; }
    bool IsLaterVersion() const { return m_nVersion > kCurrentVersion; }
    // The file last given to OpenConnections.
    const std::string& GetDatabasePath() const { return m_strDatabasePath; }

private:
    // CheckAndUpdateVersion, waiting for another program's lock at most `wait`.
    bool Upgrade(std::chrono::milliseconds wait);

    jv::db::Connection m_connection;
    std::string m_strDatabasePath;
    bool m_bConnected = false;
    bool m_bHeld = false;
    bool m_bNotJorvaneFile = false;
    int m_nVersion = -1;
};
