#pragma once

#include <filesystem>
#include <string>

#include "shared/core/TraceLog.h"
#include "tests/support/TestSupport.h"

namespace jv::test {

// A user database for a test: a copy of the generated blank database (schema version 8, the
// Prefs row, the expense categories and the generic plan) in a temporary folder.
class TestDatabase {
public:
    explicit TestDatabase(const std::string& source = JV_BLANK_DATABASE_FILE) : path_(dir_.File("user.data")) {
        std::filesystem::copy_file(source, path_);
    }
    const std::string& path() const { return path_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string path_;
};

// The same, from the fixture of schema version 0.
inline std::string VersionZeroDatabase() {
    return JV_V0_DATABASE_FILE;
}

// Writes the trace log into a temporary file for the life of this object, so a test can read
// what was logged.
class TraceCapture {
public:
    TraceCapture() : path_(dir_.File("JVtrace.log")) { OpenTraceLog(path_.c_str(), kTraceLogSizeKB); }
    ~TraceCapture() { CloseTraceLog(); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string Text() const { return ReadFile(path_); }
    // How often `text` occurs in the log.
    int Count(const std::string& text) const {
        const std::string log = Text();
        int count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++count;
        return count;
    }

private:
    TempDir dir_;
    std::string path_;
};

}  // namespace jv::test
