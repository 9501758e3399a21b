#include "platform/base/Paths.h"

#include <glib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace jv::paths {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string LocalAppData() {
    std::string v = Env("JV_LOCAL_APPDATA");
    if (!v.empty()) return v;
    v = Env("XDG_DATA_HOME");
    if (!v.empty()) return v;
    const std::string home = Env("HOME");
    return home.empty() ? std::string() : Join(home, ".local/share");
}

std::string CommonAppData() {
    std::string v = Env("JV_COMMON_APPDATA");
    if (!v.empty()) return v;
#ifdef JV_INSTALL_DATADIR
    if (IsDirectory(JV_INSTALL_DATADIR "/Jorvane")) return JV_INSTALL_DATADIR;
#endif
    const std::string beside = Join(DirName(ProgramDir()), "data");
    if (IsDirectory(Join(beside, "Jorvane"))) return beside;
#ifdef JV_BUILD_DATADIR
    return JV_BUILD_DATADIR;
#else
    return {};
#endif
}

std::string Documents() {
    std::string v = Env("JV_DOCUMENTS");
    if (!v.empty()) return v;
    const char* dir = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
    if (dir != nullptr && *dir != '\0') return dir;
    const std::string home = Env("HOME");
    return home.empty() ? std::string() : Join(home, "Documents");
}

std::string ConfigHome() {
    std::string v = Env("JV_CONFIG_HOME");
    if (!v.empty()) return v;
    v = Env("XDG_CONFIG_HOME");
    if (!v.empty()) return v;
    const std::string home = Env("HOME");
    return home.empty() ? std::string() : Join(home, ".config");
}

std::string RuntimeDir() {
    std::string v = Env("XDG_RUNTIME_DIR");
    return v.empty() ? TempDir() : v;
}

std::string TempDir() {
    std::string v = Env("TMPDIR");
    return v.empty() ? std::string("/tmp") : v;
}

std::string ProgramDir() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return DirName(std::string(buffer, static_cast<size_t>(n)));
}

std::string Join(const std::string& base, const std::string& relative) {
    std::string rel = relative;
    for (char& c : rel) {
        if (c == '\\') c = '/';
    }
    if (base.empty()) return rel;
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    if (base.back() == '/') return base + rel;
    return base + "/" + rel;
}

std::string DirName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool MakeSureDirectoryPathExists(const std::string& folder) {
    if (folder.empty()) return false;
    if (IsDirectory(folder)) return true;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty() || IsDirectory(partial)) continue;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return IsDirectory(folder);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool IsDiskFull(const std::string& folder) {
    std::string there = folder;
    while (!there.empty() && !IsDirectory(there)) {
        const std::string above = DirName(there);
        if (above == there) break;
        there = above;
    }
    struct statvfs disk {};
    if (there.empty() || statvfs(there.c_str(), &disk) != 0) return false;
    return disk.f_bavail == 0 || (disk.f_files != 0 && disk.f_favail == 0);
}

std::string WhyNotAPlainFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ELOOP) return "it is a link that leads round in a loop, never to a file";
        if (error == ENOENT && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return "it is a link to something that is not there";
        return {};
    }
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
    if (S_ISFIFO(st.st_mode)) return "it is a named pipe (FIFO), not a file";
    if (S_ISSOCK(st.st_mode)) return "it is a socket, not a file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a file";
    return "it is not a plain file";
}

}  // namespace jv::paths
