#include "shared/core/TraceLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/base/Paths.h"
#include "shared/core/NumberUtils.h"

namespace {

CWrapAroundLogFile g_traceLogFile;
std::mutex g_traceLogMutex;

}  // namespace

const std::string g_strWrapMarker = "<-<-<-END OF WRAPAROUND->->->";

namespace {

// The marker and its line end.
int64_t MarkerLineBytes() {
    return static_cast<int64_t>(g_strWrapMarker.size()) + 1;
}

}  // namespace

CWrapAroundLogFile::CWrapAroundLogFile() = default;

CWrapAroundLogFile::~CWrapAroundLogFile() {
    Close();
}

bool CWrapAroundLogFile::Open(const char* path, unsigned maxSizeKB, std::string* error) {
    Close();
    m_nMaxSizeKB = maxSizeKB;
    m_bWrapped = false;
    m_bWrittenSinceOpen = false;
    m_nWritePos = 0;
    if (path == nullptr || *path == '\0') {
        if (error) *error = "no path";
        return false;
    }
    const std::string folder = jv::paths::DirName(path);
    if (!jv::paths::MakeSureDirectoryPathExists(folder)) {
        if (error) *error = "cannot create " + folder;
        return false;
    }
    const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    // Only one process writes a log at a time; a second copy of the program runs without it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = "the log is in use by another process";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    FindWritePosition();
    return true;
}

void CWrapAroundLogFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void CWrapAroundLogFile::FindWritePosition() {
    const int64_t cap = static_cast<int64_t>(m_nMaxSizeKB) * 1024;
    struct stat st {};
    fstat(fd_, &st);
    // A log written with a larger cap is cut to this one's size.
    if (st.st_size > cap) {
        if (ftruncate(fd_, cap) == 0) st.st_size = cap;
    }
    std::string content(static_cast<size_t>(std::max<int64_t>(st.st_size, 0)), '\0');
    ssize_t got = content.empty() ? 0 : pread(fd_, content.data(), content.size(), 0);
    content.resize(got > 0 ? static_cast<size_t>(got) : 0);

    m_nWritePos = 0;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        const bool complete = end != std::string::npos;
        if (!complete) end = content.size();
        const std::string_view line(content.data() + start, end - start);
        if (line == g_strWrapMarker) {
            m_bWrapped = true;
            return;  // the next line overwrites the marker
        }
        const int64_t bytes = static_cast<int64_t>(line.size()) + (complete ? 1 : 0);
        if (m_nWritePos + bytes > cap - MarkerLineBytes()) {
            m_nWritePos = 0;
            m_bWrapped = true;
            return;
        }
        m_nWritePos += bytes;
        start = end + 1;
    }
    // A last line without its line end (a blank fill) is continued after a line end of our own.
    if (!content.empty() && content.back() != '\n') {
        if (pwrite(fd_, "\n", 1, m_nWritePos) == 1) ++m_nWritePos;
    }
}

bool CWrapAroundLogFile::WriteAll(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = pwrite(fd_, data, size, filePos_);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        filePos_ += n;
    }
    return true;
}

bool CWrapAroundLogFile::SeekTo(int64_t position) {
    filePos_ = position;
    return true;
}

void CWrapAroundLogFile::WriteLine(const std::string& lineIn) {
    if (!IsOpen()) return;
    const int64_t cap = static_cast<int64_t>(m_nMaxSizeKB) * 1024;
    // A line must fit in the file together with the marker that follows it.
    const int64_t maxLine = std::max<int64_t>(cap - MarkerLineBytes() - 1, 0);
    std::string line = lineIn;
    if (static_cast<int64_t>(line.size()) > maxLine) line.resize(static_cast<size_t>(maxLine));

    int64_t need = static_cast<int64_t>(line.size()) + 1;
    if (m_bWrapped) need += MarkerLineBytes();
    if (m_nWritePos + need > cap) {
        const int64_t blanks = std::max<int64_t>(cap - m_nWritePos, 0);
        SeekTo(m_nWritePos);
        if (blanks > 0) {
            const std::string fill(static_cast<size_t>(blanks), ' ');
            WriteAll(fill.data(), fill.size());
        }
        struct stat st {};
        if (fstat(fd_, &st) == 0 && st.st_size > cap && ftruncate(fd_, cap) != 0) {
            // Nothing more to do: the log must never fail its caller.
        }
        m_nWritePos = 0;
        m_bWrapped = true;
    }
    SeekTo(m_nWritePos);
    line += '\n';
    WriteAll(line.data(), line.size());
    m_nWritePos += static_cast<int64_t>(line.size());
    if (m_bWrapped) {
        const std::string marker = g_strWrapMarker + "\n";
        WriteAll(marker.data(), marker.size());
    }
    m_bWrittenSinceOpen = true;
}

bool OpenTraceLog(const char* path, unsigned maxSizeKB, std::string* error) {
    std::lock_guard<std::mutex> lock(g_traceLogMutex);
    return g_traceLogFile.Open(path, maxSizeKB, error);
}

bool OpenProgramTraceLog(const std::string& fileName) {
    const std::string local = jv::paths::LocalAppData();
    if (local.empty()) return false;
    const std::string path = jv::paths::Join(local, "Jorvane/Jorvane/" + fileName);
    return OpenTraceLog(path.c_str(), kTraceLogSizeKB);
}

void CloseTraceLog() {
    std::lock_guard<std::mutex> lock(g_traceLogMutex);
    g_traceLogFile.Close();
}

bool IsTraceLogOpen() {
    std::lock_guard<std::mutex> lock(g_traceLogMutex);
    return g_traceLogFile.IsOpen();
}

void TraceLog(const std::string& method, int level, const std::string& message) {
    std::lock_guard<std::mutex> lock(g_traceLogMutex);
    if (!g_traceLogFile.IsOpen()) return;
    std::string line;
    char stamp[128] = "";
    const time_t now = time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        if (strftime(stamp, sizeof stamp, "%Y/%m/%d %I:%M:%S %p  ", &local) == 0) stamp[0] = '\0';
    }
    line += stamp;
    switch (level) {
        case TRACE_INFO:
            line += "inf";
            break;
        case TRACE_WARNING:
            line += "wrn";
            break;
        case TRACE_ERROR:
            line += "ERR";
            break;
        default:
            break;
    }
    line += "  ";
    char name[64];
    std::snprintf(name, sizeof name, "%-40.40s  ", method.c_str());
    line += name;
    // Control characters other than tab and the line breaks are written as \xNN: a NUL or an
    // escape sequence from a page or a file must not land in the log as it came.
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    g_traceLogFile.WriteLine(line);
}

void TraceLogError(const std::string& method, int level, const std::string& message, uint32_t code) {
    if ((code & 0x1FFF0000u) == 0x00080000u) code &= 0xFFFFu;
    std::string text;
    GetSystemErrorText(text, code);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "\tError number 0x%x\n\t%s", code, text.c_str());
    TraceLog(method, level, message + "\n" + buffer);
}
