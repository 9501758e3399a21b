#pragma once

#include <functional>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"

// Text between single quotes in SQL: every "'" doubled. A free function, no object needed.
// Control characters other than tab, line feed and carriage return (a NUL among them) have no place
// in typed text and would cut the statement short: they are removed, and the removal is logged.
std::string EscapeQuotes(const std::string& text);

// Text cut to a column's width, then with its quotes doubled, ready to stand between single
// quotes in SQL:  "Vendor='" + EscapeQuotes(vendor, 60) + "'".
// The width counts characters (a UTF-8 character is never split). Cutting before doubling keeps
// every doubled quote whole, so the literal always ends where it should and the text is stored
// as the user typed it, up to the width.
std::string EscapeQuotes(const std::string& text, size_t width);

// The first `width` characters of the text; a UTF-8 character is never split.
std::string CutToWidth(const std::string& text, size_t width);

// How the message of a failed statement begins; the program's classes use both wordings.
enum class QueryErrorWording {
    Lowercase,   // "Error executing query ..."
    Capitalised  // "Error Executing query ..."
};

// The base of every class that reads or writes the user database. A database object is built on
// the stack for one piece of work from a copy of the user database's connection (see
// CUserData::GetDatabaseConnection); it never opens, closes or replaces the connection.
//
// The operations below let database failures through as jv::db::DbError. Each operation of a
// derived class catches them itself, reports them and returns its failure value:
//
//     bool CCarsDB::soldCar(...) {
//         std::string sql = "UPDATE Vehicles set ...";
//         try {
//             return ExecuteCommand(sql);
//         } catch (const jv::db::DbError& error) {
//             ReportQueryError("CCarsDB::soldCar", 598, error);
//             return false;
//         }
//     }
//
// Reading a recordset: a query that could not run (no connection) gives a recordset that is not
// open; otherwise walk it with IsEOF / MoveNext and read fields by name, where a NULL field
// comes back empty so the record keeps its default:
//
//     jv::db::Recordset rs = ExecuteQuery(sql);
//     if (!rs.IsOpen()) return false;
//     for (; !rs.IsEOF(); rs.MoveNext()) car.PurchasePrice = rs.GetSingle("PurchasePrice").value_or(-1.0f);
class CDatabaseObject {
public:
    explicit CDatabaseObject(jv::db::Connection connection);

    // Runs a query. Returns a recordset that is not open, without running anything, when there
    // is no connection or `skip` is non-zero.
    jv::db::Recordset ExecuteQuery(const std::string& sql, int skip = 0);
    // Runs a statement that returns no rows. False, without running anything, when there is no
    // connection; true without running anything when `skip` is non-zero; true once it ran. A
    // failed statement throws, it never returns false.
    bool ExecuteCommand(const std::string& sql, int skip = 0);

    // Do nothing when there is no connection or `skip` is non-zero.
    void BeginTransaction(int skip = 0);
    void CommitTransaction(int skip = 0);
    void RollbackTransaction(int skip = 0);

    // Runs `save`, a save of several statements, as one transaction: what it wrote is kept only
    // when it returns true, so a failure (or the end of the program) midway leaves nothing of it.
    // Saves nest; the outermost one decides. A transaction that cannot begin or end (the other
    // program holding the file longer than a writer waits) is logged and reported under `method`
    // and `callSite`; false then, with nothing written. False without running anything when there
    // is no connection.
    bool SaveInOneStep(const std::function<bool()>& save, const std::string& method, int callSite,
                       QueryErrorWording wording = QueryErrorWording::Lowercase);

    // The connection this object works on, to build further database objects on it.
    jv::db::Connection GetConnection() const { return m_connection; }

    // For the catch handler of every database operation: writes the failure to the trace log at
    // level TRACE_ERROR under `method` ("CCarsDB::getCars") and reports it to the user with
    // `callSite` (each handler passes its own number); a failure because another program held
    // the file, because the file cannot be written, or because its disk is full, is logged only,
    // and the log says so. The
    // message quotes the statement that failed, as the error carries it:
    //   "Error executing query <sql> to database 0\r\n\tSource :  <source> \r\n\tDescription :
    //    <description>\r\n\tMessage : <message>"
    static void ReportQueryError(const std::string& method, int callSite, const jv::db::DbError& error,
                                 QueryErrorWording wording = QueryErrorWording::Lowercase);
    // The same for a failure met while `sql` was being run or read, when the error carries no
    // statement of its own.
    static void ReportQueryError(const std::string& method, int callSite, const std::string& sql,
                                 const jv::db::DbError& error,
                                 QueryErrorWording wording = QueryErrorWording::Lowercase);
    // How many statements so far failed because another program held the file (as the two
    // functions above found), so that a caller can tell afterwards why a save wrote nothing.
    static unsigned BusyFailures();
    // The same for failures because the disk that holds the file was full.
    static unsigned DiskFullFailures();
    // The message the two functions above log and report.
    static std::string FormatQueryError(const std::string& sql, const jv::db::DbError& error,
                                        QueryErrorWording wording = QueryErrorWording::Lowercase);

protected:
    jv::db::Connection m_connection;
};
