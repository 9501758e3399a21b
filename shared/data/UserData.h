#pragma once

#include <string>

#include "platform/db/Connection.h"

// The user's database: owns the one connection to the user's database file, brings its schema
// up to date when it opens it, and hands copies of the connection to the database objects. The
// main program's document and the companion each hold one and may open the same file.
class CUserData {
public:
    // The schema version this program writes and reads.
    static constexpr int kCurrentVersion = 9;

    CUserData() = default;

    // Opens the database file at `path` (an existing file; nothing is created) and upgrades its
    // schema. False, with the reason in the trace log, when the file cannot be opened; a failed
    // upgrade is logged and reported by CheckAndUpdateVersion and the database is still used.
    bool OpenConnections(const std::string& path);

    // A copy of the connection, not open before a successful OpenConnections.
    jv::db::Connection GetDatabaseConnection() const { return m_connection; }

    // Runs the upgrade steps from the stored version up to kCurrentVersion. The upgrade holds the
    // file for its whole run; the other program opening the file meanwhile waits for it, however
    // long it takes, and finds the current version. A step that fails changes nothing (the steps
    // before it are kept), is logged and reported, and the next open runs it again. True when the
    // database is at the current version (or later) afterwards.
    bool CheckAndUpdateVersion();

    bool IsConnected() const { return m_bConnected; }
    // The file last given to OpenConnections.
    const std::string& GetDatabasePath() const { return m_strDatabasePath; }

private:
    jv::db::Connection m_connection;
    std::string m_strDatabasePath;
    bool m_bConnected = false;
};
