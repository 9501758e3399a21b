#include "shared/data/QueryError.h"

#include "platform/db/DbError.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"

void ReportQueryError(const char* method, int line, QueryErrorText text, const std::string& sql,
                      const jv::db::DbError& error) {
    std::string message = text == QueryErrorText::Executing ? "Error executing query " : "Error Executing query ";
    message += sql + " to database 0\r\n\tSource :  " + error.source() + " \r\n\tDescription : " + error.description() +
               "\r\n\tMessage : " + error.message();
    TraceLog(method, TRACE_ERROR, message);
    CErrorReporting::Report(method, line, message);
}
