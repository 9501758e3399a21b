#pragma once

#include <cstdint>
#include <string>

// The trace log: one text file per program of bounded size that goes back to its start when it
// is full. A marker line shows where the newest line ends, so after a restart writing carries on
// just behind it.

enum TraceLevel : int { TRACE_INFO = 0, TRACE_WARNING = 1, TRACE_ERROR = 2 };

// The size cap both programs open their log with, in KB.
constexpr unsigned kTraceLogSizeKB = 512;

bool OpenTraceLog(const char* path, unsigned maxSizeKB, std::string* error = nullptr);
// Opens a program's own log "Jorvane/Jorvane/<fileName>" in the per-user data folder with the
// usual cap. Without that folder the program runs without a log.
bool OpenProgramTraceLog(const std::string& fileName);
void CloseTraceLog();
bool IsTraceLogOpen();
void TraceLog(const std::string& method, int level, const std::string& message);
// The message followed by the system's text for the error code (an errno value).
void TraceLogError(const std::string& method, int level, const std::string& message, uint32_t code);

// The log file behind the functions above. One global instance per process.
class CWrapAroundLogFile {
public:
    CWrapAroundLogFile();
    ~CWrapAroundLogFile();
    CWrapAroundLogFile(const CWrapAroundLogFile&) = delete;
    CWrapAroundLogFile& operator=(const CWrapAroundLogFile&) = delete;

    bool Open(const char* path, unsigned maxSizeKB, std::string* error);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    void WriteLine(const std::string& line);

private:
    void FindWritePosition();
    bool WriteAll(const char* data, size_t size);
    bool SeekTo(int64_t position);

    int fd_ = -1;
    uint32_t m_nMaxSizeKB = 0;
    int64_t m_nWritePos = 0;  // byte position at which the next line starts
    bool m_bWrapped = false;  // a marker line follows the newest line
    bool m_bWrittenSinceOpen = false;
    int64_t filePos_ = 0;  // where the next write goes
};

// The marker line written after the newest line once the file has wrapped.
extern const std::string g_strWrapMarker;
