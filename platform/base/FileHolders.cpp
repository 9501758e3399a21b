#include "platform/base/FileHolders.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace jv::files {

namespace {

// "fe:00:10954907": major and minor in hexadecimal, the inode in decimal.
bool ParseFileId(const std::string& text, FileId& id) {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inode = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%x:%x:%llu%c", &major, &minor, &inode, &end) != 3) return false;
    id = {major, minor, inode};
    return true;
}

std::string ProgramName(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

std::vector<Holder> HoldersIn(const std::string& table, const std::vector<FileId>& files, int self) {
    std::vector<Holder> holders;
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        // "1: POSIX  ADVISORY  WRITE 2285 fe:00:10954907 1073741824 1073742335"
        std::istringstream fields(line);
        std::string number;
        std::string kind;
        std::string mode;
        std::string access;
        std::string pidText;
        std::string file;
        if (!(fields >> number >> kind) || kind == "->") continue;
        if (!(fields >> mode >> access >> pidText >> file)) continue;
        FileId id;
        if (!ParseFileId(file, id)) continue;
        const bool ours = std::any_of(files.begin(), files.end(), [&id](const FileId& f) {
            return f.major == id.major && f.minor == id.minor && f.inode == id.inode;
        });
        int pid = 0;
        try {
            pid = std::stoi(pidText);
        } catch (...) {
            continue;
        }
        if (!ours || pid <= 0 || pid == self) continue;
        const bool writes = access == "WRITE";
        const auto known =
            std::find_if(holders.begin(), holders.end(), [pid](const Holder& h) { return h.pid == pid; });
        if (known != holders.end()) {
            known->writes = known->writes || writes;
        } else {
            holders.push_back({pid, "", writes});
        }
    }
    return holders;
}

std::vector<Holder> Holders(const std::vector<std::string>& paths) {
    std::vector<FileId> files;
    for (const std::string& path : paths) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0) files.push_back({::major(info.st_dev), ::minor(info.st_dev), info.st_ino});
    }
    if (files.empty()) return {};
    std::ifstream locks("/proc/locks");
    if (!locks) return {};
    std::stringstream table;
    table << locks.rdbuf();
    std::vector<Holder> holders = HoldersIn(table.str(), files, static_cast<int>(getpid()));
    std::stable_partition(holders.begin(), holders.end(), [](const Holder& h) { return h.writes; });
    for (Holder& holder : holders) holder.program = ProgramName(holder.pid);
    return holders;
}

std::string Describe(const std::vector<Holder>& holders) {
    const bool anyWriter = std::any_of(holders.begin(), holders.end(), [](const Holder& h) { return h.writes; });
    std::string text;
    for (const Holder& holder : holders) {
        if (anyWriter && !holder.writes) continue;
        if (!text.empty()) text += ", ";
        text += (holder.program.empty() ? std::string("a program") : holder.program) + " (process " +
                std::to_string(holder.pid) + ")";
    }
    return text;
}

}  // namespace jv::files
