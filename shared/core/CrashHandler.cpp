#include "shared/core/CrashHandler.h"

#include "platform/base/WriteFully.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/base/BrowserVersion.h"
#include "platform/base/Paths.h"
#include "platform/desktop/CrashDump.h"
#include "platform/desktop/ElfSymbols.h"
#include "platform/desktop/MachineContext.h"
#include "platform/desktop/ProcessMaps.h"
#include "platform/desktop/SafeProcess.h"
#include "platform/desktop/SafeWriter.h"
#include "platform/desktop/StackWalk.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/FileVersion.h"

using jv::desktop::CodeLocation;
using jv::desktop::CrashDisposition;
using jv::desktop::CrashEvent;
using jv::desktop::MachineState;
using jv::desktop::Mapping;
using jv::desktop::MapsReader;
using jv::desktop::SafeWriter;

namespace {

constexpr const char* kLogName = "ERRORLOG.TXT";
constexpr const char* kDumpName = "CRASH.DMP";
constexpr const char* kReporterName = "JVCrashReport";
constexpr const char* kNoBrowserVersion = "Could not determine IE version";
constexpr size_t kMaxFrames = 256;  // a stack overflow would otherwise list every recursion
constexpr uint32_t kAccessViolation = 0xC0000005;

#if defined(__x86_64__)
constexpr int kProcessorType = 8664;
#elif defined(__aarch64__)
constexpr int kProcessorType = 0xAA64;
#else
constexpr int kProcessorType = 0;
#endif

// Everything the handler writes that can be known before a crash, kept in fixed buffers.
struct CrashTexts {
    char programPath[PATH_MAX];
    char programFile[256];  // without the folder
    char programName[256];  // without the folder and the extension
    char logPath[PATH_MAX];
    char dumpPath[PATH_MAX];
    char reporterPath[PATH_MAX];
    char* reporterArguments[3];
    char version[64];
    char userName[256];
    char osVersion[256];
    char databaseVersion[64];
    char company[200];
    char product[200];
    char fileDescription[200];
    uint16_t fileVersion[4];
    uint16_t productVersion[4];
    long processors;
    long utcOffset;
};

CrashTexts g_texts;

void Copy(char* out, size_t size, const std::string& text) {
    jv::desktop::CopyText(out, size, text.c_str());
}

void ComputeTexts() {
    CrashTexts& t = g_texts;
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    Copy(t.programPath, sizeof t.programPath, n > 0 ? std::string(path, static_cast<size_t>(n)) : "Unknown");
    jv::desktop::CopyText(t.programFile, sizeof t.programFile, jv::desktop::BaseName(t.programPath));
    jv::desktop::CopyText(t.programName, sizeof t.programName, t.programFile);
    if (char* dot = std::strrchr(t.programName, '.')) *dot = '\0';

    const std::string local = jv::paths::LocalAppData();
    if (!local.empty()) {
        const std::string folder = jv::paths::Join(local, "Jorvane/Jorvane");
        jv::paths::MakeSureDirectoryPathExists(folder);
        Copy(t.logPath, sizeof t.logPath, jv::paths::Join(folder, kLogName));
        Copy(t.dumpPath, sizeof t.dumpPath, jv::paths::Join(folder, kDumpName));
    }
    Copy(t.reporterPath, sizeof t.reporterPath, jv::paths::Join(jv::paths::DirName(t.programPath), kReporterName));
    // The reporter gets the program's file name as its only argument.
    t.reporterArguments[0] = t.reporterPath;
    t.reporterArguments[1] = t.programFile;
    t.reporterArguments[2] = nullptr;

    std::string text;
    Copy(t.version, sizeof t.version, GetJVShortVersion(text));
    Copy(t.osVersion, sizeof t.osVersion, GetWindowsVersionText(text));
    Copy(t.databaseVersion, sizeof t.databaseVersion, GetMDACVersion(text));

    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    const char* user = getenv("USER");
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) user = found->pw_name;
    Copy(t.userName, sizeof t.userName, user != nullptr && *user != '\0' ? user : "Unknown");

    const CFileVersionInfo info(t.programPath);
    info.GetCompanyName(t.company, sizeof t.company);
    info.GetProductName(t.product, sizeof t.product);
    info.GetFileDescription(t.fileDescription, sizeof t.fileDescription);
    info.GetFileVersion(t.fileVersion[0], t.fileVersion[1], t.fileVersion[2], t.fileVersion[3]);
    info.GetProductVersion(t.productVersion[0], t.productVersion[1], t.productVersion[2], t.productVersion[3]);

    t.processors = sysconf(_SC_NPROCESSORS_ONLN);
    t.utcOffset = jv::desktop::CurrentUtcOffset();
}

// Replaces the file; only the user may read it. Anything but a plain file in its place (a link, a
// pipe that would block the handler) is refused.
int CreateReportFile(const char* path) {
    if (path[0] == '\0') return -1;
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return -1;
    }
    fchmod(fd, 0600);
    return fd;
}

void CloseReportFile(int fd) {
    fsync(fd);
    close(fd);
}

// "month/day/year hour:minute:second" in local time, the seconds even as in the DOS form.
void TimeText(int64_t seconds, char* out, size_t size) {
    const jv::desktop::LocalTime t = jv::desktop::ToLocalTime(seconds, g_texts.utcOffset);
    jv::desktop::SafeFormat(out, size, "%d/%d/%d %02d:%02d:%02d", t.month, t.day, t.year, t.hour, t.minute,
                            t.second & ~1);
}

unsigned long MegaBytes(unsigned long long bytes) {
    return static_cast<unsigned long>((bytes + 0xFFFFF) >> 20);
}

// Memory figures from /proc/meminfo, in bytes.
struct MemoryFigures {
    unsigned long long total = 0, available = 0, swapTotal = 0, swapFree = 0;
};

unsigned long long MemInfoValue(const char* text, const char* name) {
    const char* field = std::strstr(text, name);
    if (field == nullptr) return 0;
    field += std::strlen(name);
    while (*field == ' ') ++field;
    unsigned long long kiloBytes = 0;
    while (*field >= '0' && *field <= '9') kiloBytes = kiloBytes * 10 + static_cast<unsigned>(*field++ - '0');
    return kiloBytes * 1024;
}

MemoryFigures ReadMemoryFigures() {
    MemoryFigures figures;
    static char text[8192];
    const int fd = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return figures;
    size_t fill = 0;
    ssize_t n;
    while (fill < sizeof text - 1 && (n = read(fd, text + fill, sizeof text - 1 - fill)) > 0) {
        fill += static_cast<size_t>(n);
    }
    close(fd);
    text[fill] = '\0';
    figures.total = MemInfoValue(text, "MemTotal:");
    figures.available = MemInfoValue(text, "MemAvailable:");
    figures.swapTotal = MemInfoValue(text, "SwapTotal:");
    figures.swapFree = MemInfoValue(text, "SwapFree:");
    return figures;
}

// The size of the user address space (the power of two above the highest user mapping) and how
// much of it is in use.
void AddressSpace(unsigned long long& total, unsigned long long& used) {
    total = 0;
    used = 0;
    unsigned long long highest = 0;
    MapsReader reader;
    Mapping mapping;
    while (reader.Next(mapping)) {
        if (std::strcmp(mapping.path, "[vsyscall]") == 0) continue;
        used += mapping.end - mapping.start;
        if (mapping.end > highest) highest = mapping.end;
    }
    total = 1;
    while (total < highest && total < (1ULL << 63)) total <<= 1;
}

void WriteSystemInformation(SafeWriter& log) {
    const CrashTexts& t = g_texts;
    char when[64];
    TimeText(time(nullptr), when, sizeof when);
    log.Printf("Error occurred at %s.\r\n", when);
    log.Printf("%s %s, run by %s.\r\n", t.programPath, t.version, t.userName);
    log.Printf("Windows version: %s\r\n", t.osVersion);
    // Known once the program's browser made its first request; no browser is started to ask.
    const char* browser = jv::BrowserVersion::Known();
    log.Printf("IE version: %s\r\n", browser != nullptr ? browser : kNoBrowserVersion);
    log.Printf("MDAC version: %s\r\n", t.databaseVersion);
    log.Printf("%ld processor(s), type %d.\r\n", t.processors, kProcessorType);

    const MemoryFigures memory = ReadMemoryFigures();
    const unsigned long long inUse = memory.total > memory.available ? memory.total - memory.available : 0;
    log.Printf("%lu%% memory in use.\r\n", memory.total ? static_cast<unsigned long>(inUse * 100 / memory.total) : 0);
    log.Printf("%lu MBytes physical memory.\r\n", MegaBytes(memory.total));
    log.Printf("%lu MBytes physical memory free.\r\n", MegaBytes(memory.available));
    log.Printf("%lu MBytes paging file.\r\n", MegaBytes(memory.swapTotal));
    log.Printf("%lu MBytes paging file free.\r\n", MegaBytes(memory.swapFree));
    unsigned long long addressSpace = 0, addressSpaceUsed = 0;
    AddressSpace(addressSpace, addressSpaceUsed);
    log.Printf("%lu MBytes user address space.\r\n", MegaBytes(addressSpace));
    log.Printf("%lu MBytes user address space free.\r\n\r\n",
               MegaBytes(addressSpace > addressSpaceUsed ? addressSpace - addressSpaceUsed : 0));
}

// One line of the stack: the address, the module and the place in it, and the function.
void WriteFrame(SafeWriter& log, unsigned codeSegment, uintptr_t address, bool isReturnAddress) {
    // Consecutive frames of a recursion share their address: look each one up once.
    static uintptr_t lastAddress = 0;
    static char module[PATH_MAX];
    static bool inModule = false;
    static CodeLocation location;
    // A return address points behind its call; the call itself is what belongs to the caller.
    const uintptr_t lookUp = isReturnAddress ? address - 1 : address;
    if (lookUp != lastAddress || lastAddress == 0) {
        lastAddress = lookUp;
        Mapping mapping;
        inModule = MapsReader::Find(lookUp, mapping, module, sizeof module) && module[0] == '/';
        if (!inModule || !jv::desktop::LookUpCode(module, lookUp - mapping.start + mapping.offset, location)) {
            location = CodeLocation{};
        }
        if (location.isElf && isReturnAddress) ++location.address;  // shown as the return address
        if (location.isElf && isReturnAddress) ++location.displacement;
    }
    char line[1024];
    size_t length =
        jv::desktop::SafeFormat(line, sizeof line, "%04X:%016lX", codeSegment, static_cast<unsigned long>(address));
    if (inModule && location.isElf) {
        length += jv::desktop::SafeFormat(line + length, sizeof line - length, " %s+0x%lx",
                                          jv::desktop::BaseName(module), static_cast<unsigned long>(location.address));
    }
    if (location.symbol[0] != '\0') {
        if (location.displacement != 0) {
            jv::desktop::SafeFormat(line + length, sizeof line - length, ", %s()+%lu byte(s)", location.symbol,
                                    static_cast<unsigned long>(location.displacement));
        } else {
            jv::desktop::SafeFormat(line + length, sizeof line - length, ", %s", location.symbol);
        }
    }
    log.Printf("%s\r\n", line);
}

void WriteStack(SafeWriter& log, const MachineState& state) {
    log.Write("\r\nStack:\r\n");
    WriteFrame(log, state.codeSegment, state.instructionPointer, false);
    jv::desktop::StackBounds bounds;
    if (!jv::desktop::FindStackBounds(state.stackPointer, state.framePointer, bounds)) return;
    static uintptr_t returns[kMaxFrames];
    const size_t count = jv::desktop::WalkFramePointers(state.framePointer, bounds, returns, kMaxFrames - 1);
    for (size_t i = 0; i < count; ++i) WriteFrame(log, state.codeSegment, returns[i], true);
}

// One entry of the module list; false (and nothing written) when the file is not a program image.
bool WriteModule(SafeWriter& log, int number, const char* path, uintptr_t base, uintptr_t end) {
    if (!jv::desktop::IsElfFile(path)) return false;
    struct stat status {};
    char fileTime[64] = "";
    long long fileSize = 0;
    unsigned long timeStamp = 0;
    if (stat(path, &status) == 0) {
        fileSize = status.st_size;
        timeStamp = static_cast<unsigned long>(status.st_mtime) & 0xFFFFFFFFul;
        TimeText(status.st_mtime, fileTime, sizeof fileTime);
    }
    // Only the program's own image carries version information.
    const CrashTexts& t = g_texts;
    const bool isProgram = std::strcmp(path, t.programPath) == 0;
    static const uint16_t kNoVersion[4] = {0, 0, 0, 0};
    const uint16_t* fileVersion = isProgram ? t.fileVersion : kNoVersion;
    const uint16_t* productVersion = isProgram ? t.productVersion : kNoVersion;
    log.Printf("Module %d\r\n", number);
    log.Printf("%s\r\n", path);
    log.Printf("Image Base: 0x%08lx  Image Size: 0x%08lx\r\n", static_cast<unsigned long>(base),
               static_cast<unsigned long>(end - base));
    // An ELF image carries no checksum; the time stamp is the file's.
    log.Printf("Checksum:   0x%08x  Time Stamp: 0x%08lx\r\n", 0u, timeStamp);
    log.Printf("File Size:  %-10lld  File Time:  %s\r\n", fileSize, fileTime);
    log.Write("Version Information:\r\n");
    log.Printf("   Company:    %.197s\r\n", isProgram ? t.company : "");
    log.Printf("   Product:    %.197s\r\n", isProgram ? t.product : "");
    log.Printf("   FileDesc:   %.197s\r\n", isProgram ? t.fileDescription : "");
    log.Printf("   FileVer:    %d.%d.%d.%d\r\n", fileVersion[0], fileVersion[1], fileVersion[2], fileVersion[3]);
    log.Printf("   ProdVer:    %d.%d.%d.%d\r\n", productVersion[0], productVersion[1], productVersion[2],
               productVersion[3]);
    log.Write("\r\n");
    return true;
}

// Every program image mapped into the process, in address order.
void WriteModuleList(SafeWriter& log) {
    static char current[PATH_MAX];
    MapsReader reader;
    Mapping mapping;
    bool inModule = false;
    uintptr_t base = 0, end = 0;
    int number = 0;
    for (;;) {
        const bool more = reader.Next(mapping);
        if (more && inModule && std::strcmp(mapping.path, current) == 0) {
            end = mapping.end;
            continue;
        }
        if (inModule && WriteModule(log, number + 1, current, base, end)) ++number;
        if (!more) break;
        inModule = mapping.path[0] == '/' && mapping.offset == 0;
        if (inModule) {
            jv::desktop::CopyText(current, sizeof current, mapping.path);
            base = mapping.start;
            end = mapping.end;
        }
    }
}

}  // namespace

namespace {

// The names of the exception codes in the error log.
struct ExceptionNameEntry {
    uint32_t code;
    const char* name;
};
constexpr ExceptionNameEntry kExceptionNames[] = {
    {0x40010005, "a Control-C"},
    {0x40010008, "a Control-Break"},
    {0x80000002, "a Datatype Misalignment"},
    {0x80000003, "a Breakpoint"},
    {0xC0000005, "an Access Violation"},
    {0xC0000006, "an In Page Error"},
    {0xC0000017, "a No Memory"},
    {0xC000001D, "an Illegal Instruction"},
    {0xC0000025, "a Noncontinuable Exception"},
    {0xC0000026, "an Invalid Disposition"},
    {0xC000008C, "a Array Bounds Exceeded"},
    {0xC000008D, "a Float Denormal Operand"},
    {0xC000008E, "a Float Divide by Zero"},
    {0xC000008F, "a Float Inexact Result"},
    {0xC0000090, "a Float Invalid Operation"},
    {0xC0000091, "a Float Overflow"},
    {0xC0000092, "a Float Stack Check"},
    {0xC0000093, "a Float Underflow"},
    {0xC0000094, "an Integer Divide by Zero"},
    {0xC0000095, "an Integer Overflow"},
    {0xC0000096, "a Privileged Instruction"},
    {0xC00000FD, "a Stack Overflow"},
    {0xC0000142, "a DLL Initialization Failed"},
    {0xE06D7363, "a Microsoft C++ Exception"},
};

}  // namespace

const char* ExceptionName(uint32_t code) {
    for (const ExceptionNameEntry& entry : kExceptionNames) {
        if (entry.code == code) return entry.name;
    }
    return "an Unknown exception type";
}

bool CCrashHandler::Install() {
    ComputeTexts();
    return jv::desktop::InstallCrashSignals(CrashExceptionFilter);
}

CrashDisposition CrashExceptionFilter(const CrashEvent& event) {
    const CrashTexts& t = g_texts;
    const int fd = CreateReportFile(t.logPath);
    if (fd < 0) {
        static const char kFailed[] = "Error creating exception report\r\n";
        jv::WriteFully(STDERR_FILENO, kFailed, sizeof kFailed - 1);
        return jv::desktop::kContinueSearch;
    }
    const MachineState state = jv::desktop::ReadMachineState(*event.context);
    static char modulePath[PATH_MAX];
    Mapping mapping;
    const char* module =
        MapsReader::Find(state.instructionPointer, mapping, modulePath, sizeof modulePath) && modulePath[0] != '\0'
            ? jv::desktop::BaseName(modulePath)
            : "Unknown";
    {
        SafeWriter log(fd);
        log.Printf("%s caused %s (0x%08x) in module %s at %04x:%08lx V%s.\r\n\r\n", t.programName,
                   ExceptionName(event.exceptionCode), event.exceptionCode, module, state.codeSegment,
                   static_cast<unsigned long>(state.instructionPointer), t.version);
        WriteSystemInformation(log);
        if (event.exceptionCode == kAccessViolation && event.signal != 0 && event.signalCode > 0) {
            log.Printf("%s location %08lx caused an access violation.\r\n", state.isWrite ? "Write to" : "Read from",
                       static_cast<unsigned long>(event.faultAddress));
        }

        const int dump = CreateReportFile(t.dumpPath);
        if (dump >= 0) {
            jv::desktop::WriteCrashDump(dump, event);
            CloseReportFile(dump);
        }

        WriteStack(log, state);
        log.Write("\r\nContext:\r\n");
        jv::desktop::WriteRegisters(log, *event.context);
        WriteModuleList(log);
        log.Printf("\r\n===== [end of %s] =====\r\n", kLogName);
    }
    CloseReportFile(fd);

    if (jv::desktop::DebuggerAttached()) return jv::desktop::kContinueSearch;
    if (access(t.reporterPath, X_OK) != 0) return jv::desktop::kContinueSearch;
    return jv::desktop::StartProgram(t.reporterPath, t.reporterArguments) ? jv::desktop::kExecuteHandler
                                                                          : jv::desktop::kContinueSearch;
}
