#include "shared/data/DatabaseObject.h"

#include <atomic>
#include <utility>

#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"

std::string EscapeQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    size_t removed = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F) {
            ++removed;
            continue;
        }
        if (c == '\'') out += '\'';
        out += c;
    }
    if (removed != 0) {
        TraceLog("EscapeQuotes", TRACE_WARNING,
                 "Removed " + std::to_string(removed) + " control character(s) from a text before storing it");
    }
    return out;
}

std::string CutToWidth(const std::string& text, size_t width) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == width) return text.substr(0, i);
    }
    return text;
}

std::string EscapeQuotes(const std::string& text, size_t width) {
    return EscapeQuotes(CutToWidth(text, width));
}

namespace {

// Failures because another program held the file, and because its disk was full.
std::atomic<unsigned> g_busyFailures{0};
std::atomic<unsigned> g_diskFullFailures{0};

}  // namespace

unsigned CDatabaseObject::BusyFailures() {
    return g_busyFailures.load();
}

unsigned CDatabaseObject::DiskFullFailures() {
    return g_diskFullFailures.load();
}

CDatabaseObject::CDatabaseObject(jv::db::Connection connection) : m_connection(std::move(connection)) {}

jv::db::Recordset CDatabaseObject::ExecuteQuery(const std::string& sql, int skip) {
    if (!m_connection.IsOpen() || skip != 0) return {};
    return m_connection.Execute(sql);
}

bool CDatabaseObject::ExecuteCommand(const std::string& sql, int skip) {
    if (!m_connection.IsOpen()) return false;
    if (skip != 0) return true;
    m_connection.ExecuteNonQuery(sql);
    return true;
}

void CDatabaseObject::BeginTransaction(int skip) {
    if (m_connection.IsOpen() && skip == 0) m_connection.BeginTrans();
}

void CDatabaseObject::CommitTransaction(int skip) {
    if (m_connection.IsOpen() && skip == 0) m_connection.CommitTrans();
}

void CDatabaseObject::RollbackTransaction(int skip) {
    if (m_connection.IsOpen() && skip == 0) m_connection.RollbackTrans();
}

bool CDatabaseObject::SaveInOneStep(const std::function<bool()>& save, const std::string& method, int callSite,
                                    QueryErrorWording wording) {
    if (!m_connection.IsOpen()) return false;
    try {
        jv::db::Transaction transaction(m_connection);
        if (!save()) return false;  // undone as the transaction ends
        transaction.Commit();
        return true;
    } catch (const jv::db::DbError& error) {
        ReportQueryError(method, callSite, error, wording);
        return false;
    }
}

std::string CDatabaseObject::FormatQueryError(const std::string& sql, const jv::db::DbError& error,
                                              QueryErrorWording wording) {
    std::string message = wording == QueryErrorWording::Lowercase ? "Error executing query " : "Error Executing query ";
    message += sql;
    message += " to database 0\r\n\tSource :  " + error.source();
    message += " \r\n\tDescription : " + error.description();
    message += "\r\n\tMessage : " + error.message();
    return message;
}

void CDatabaseObject::ReportQueryError(const std::string& method, int callSite, const std::string& sql,
                                       const jv::db::DbError& error, QueryErrorWording wording) {
    const std::string message = FormatQueryError(sql, error, wording);
    TraceLog(method, TRACE_ERROR, message);
    // Another program holding the user's file is no fault of this one, and the statement did
    // nothing; the main program has asked the user about a save already (the connection's busy
    // question).
    if (error.IsLocked()) {
        TraceLog(method, TRACE_WARNING, "The user's file was busy: another program held it, and nothing was written.");
        ++g_busyFailures;
        return;
    }
    // Nor is a file the user may not write; the main program has told the user of the save.
    if (error.IsReadOnly()) {
        TraceLog(method, TRACE_WARNING, "The user's file cannot be written: nothing was written.");
        return;
    }
    // Nor a full disk: nothing of the save was kept, and the main program has told the user.
    if (error.IsDiskFull()) {
        TraceLog(method, TRACE_WARNING, "The disk that holds the user's file is full: nothing was written.");
        ++g_diskFullFailures;
        return;
    }
    CErrorReporting::Report(method, callSite, message);
}

void CDatabaseObject::ReportQueryError(const std::string& method, int callSite, const jv::db::DbError& error,
                                       QueryErrorWording wording) {
    ReportQueryError(method, callSite, error.statement(), error, wording);
}
