#pragma once

#include <string>

namespace jv::db {
class DbError;
}

// How a data class reports a failed statement: one trace line at TRACE_ERROR with the statement
// and the error, and one problem report under the same method name and call-site number.
enum class QueryErrorText {
    Executing,         // "Error executing query ..."
    ExecutingCapital,  // "Error Executing query ..."
};

void ReportQueryError(const char* method, int line, QueryErrorText text, const std::string& sql,
                      const jv::db::DbError& error);
