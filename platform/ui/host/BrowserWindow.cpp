#include "platform/ui/host/BrowserWindow.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/base/Paths.h"
#include "platform/base/Spawn.h"

namespace jv::ui::host {
namespace {

std::string HtmlAttribute(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void RemoveTree(const std::string& path) {
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    if (dir != nullptr) {
        while (const char* name = g_dir_read_name(dir)) {
            const std::string child = path + "/" + name;
            if (g_file_test(child.c_str(), G_FILE_TEST_IS_DIR) && !g_file_test(child.c_str(), G_FILE_TEST_IS_SYMLINK))
                RemoveTree(child);
            else
                g_unlink(child.c_str());
        }
        g_dir_close(dir);
    }
    g_rmdir(path.c_str());
}

// The private folders are "jorvane-" and six letters or digits (as mkdtemp makes them).
constexpr const char* kFolderPrefix = "jorvane-";
constexpr std::size_t kFolderNameLength = 8 + 6;
// The lock in a folder, held by the program whose folder it is for as long as it runs.
constexpr const char* kLockName = "lock";
// A folder of an earlier version, which had no lock, is left alone for this long after its last
// change (it may be one being made).
constexpr auto kUnlockedFolderAge = std::chrono::minutes(1);

// Makes the folder's lock and holds it; -1 when it cannot. The lock is taken before the file gets
// its name, so that no other program finds the file unlocked.
int LockFolder(const std::string& folder) {
    const std::string making = folder + "/" + kLockName + ".new";
    const int fd = open(making.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX) != 0 || rename(making.c_str(), (folder + "/" + kLockName).c_str()) != 0) {
        g_unlink(making.c_str());
        close(fd);
        return -1;
    }
    return fd;
}

// The process group of a process that runs, or 0 when it does not run. A process that has ended
// but was not yet reaped (its parent gone) counts as ended: it writes nothing any more.
pid_t GroupOfRunning(const std::string& pid) {
    gchar* text = nullptr;
    if (!g_file_get_contents(("/proc/" + pid + "/stat").c_str(), &text, nullptr, nullptr)) return 0;
    // "pid (name) state parent group ...": the name may hold spaces and parentheses itself.
    const char* afterName = std::strrchr(text, ')');
    char state = 0;
    int parent = 0;
    int group = 0;
    const bool runs = afterName != nullptr && std::sscanf(afterName + 1, " %c %d %d", &state, &parent, &group) == 3 &&
                      state != 'Z' && state != 'X';
    g_free(text);
    return runs ? static_cast<pid_t>(group) : 0;
}

// Whether a process of the group still runs.
bool GroupRuns(pid_t group) {
    GDir* dir = g_dir_open("/proc", 0, nullptr);
    if (dir == nullptr) return false;
    bool found = false;
    while (const char* name = g_dir_read_name(dir)) {
        if (g_ascii_isdigit(name[0]) && GroupOfRunning(name) == group) {
            found = true;
            break;
        }
    }
    g_dir_close(dir);
    return found;
}

bool WaitForGroup(pid_t group, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (GroupRuns(group)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether the Chromium that keeps its profile in `profile` still runs: its own lock there names
// the machine and the process. A lock of another machine's counts as running.
bool BrowserRuns(const std::string& profile) {
    gchar* target = g_file_read_link((profile + "/SingletonLock").c_str(), nullptr);
    if (target == nullptr) return false;
    const std::string text = target;
    g_free(target);
    const auto dash = text.rfind('-');
    if (dash == std::string::npos) return false;
    if (text.substr(0, dash) != g_get_host_name()) return true;
    char* end = nullptr;
    const long pid = std::strtol(text.c_str() + dash + 1, &end, 10);
    if (end == nullptr || *end != '\0' || pid <= 0) return false;
    return GroupOfRunning(std::to_string(pid)) != 0;
}

// Removes a private folder, and the folder of the socket its browser made beside it in the
// temporary folder (which Chromium leaves there when it does not end in order).
void RemoveFolder(const std::string& folder) {
    gchar* socket = g_file_read_link((folder + "/profile/SingletonSocket").c_str(), nullptr);
    if (socket != nullptr) {
        gchar* socketFolder = g_path_get_dirname(socket);
        gchar* itsParent = g_path_get_dirname(socketFolder);
        gchar* ourParent = g_path_get_dirname(folder.c_str());
        gchar* name = g_path_get_basename(socketFolder);
        if (std::strcmp(itsParent, ourParent) == 0 && g_str_has_prefix(name, "org.chromium.Chromium."))
            RemoveTree(socketFolder);
        g_free(name);
        g_free(ourParent);
        g_free(itsParent);
        g_free(socketFolder);
        g_free(socket);
    }
    RemoveTree(folder);
}

// Run in the browser's process before it starts: it leads a process group of its own (its helpers
// join it, so that they can be ended with it), and it ends when the program does, even when the
// program was killed, rather than stay as a window that nothing answers.
void SetUpBrowserProcess(gpointer parent) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != static_cast<pid_t>(GPOINTER_TO_INT(parent))) raise(SIGTERM);
}

// Waits for a child to end, at most `limit`; true when it has (or is no child of ours any more).
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

WindowGeometry FitInside(const WindowGeometry& window, const ScreenArea& screen) {
    if (window.maximized || screen.width <= 0 || screen.height <= 0) return window;
    // In 64 bits: the numbers come from a stored setting or the window, and may be anything.
    const auto fit = [](int at, int size, int screenAt, int screenSize, int& outAt, int& outSize) {
        const std::int64_t fitted = std::clamp<std::int64_t>(size, 1, screenSize);
        const std::int64_t last = static_cast<std::int64_t>(screenAt) + screenSize - fitted;
        outAt = static_cast<int>(std::clamp<std::int64_t>(at, screenAt, last));
        outSize = static_cast<int>(fitted);
    };
    WindowGeometry fitted = window;
    fit(window.left, window.width, screen.left, screen.width, fitted.left, fitted.width);
    fit(window.top, window.height, screen.top, screen.height, fitted.top, fitted.height);
    return fitted;
}

BrowserWindow::~BrowserWindow() {
    Close();
    if (!folder_.empty()) RemoveFolder(folder_);
    if (lockFd_ >= 0) close(lockFd_);
}

void BrowserWindow::RemoveLeftFolders(const std::string& tempDir) {
    GDir* dir = g_dir_open(tempDir.c_str(), 0, nullptr);
    if (dir == nullptr) return;
    std::vector<std::string> folders;
    while (const char* name = g_dir_read_name(dir)) {
        if (g_str_has_prefix(name, kFolderPrefix) && std::strlen(name) == kFolderNameLength)
            folders.push_back(paths::Join(tempDir, name));
    }
    g_dir_close(dir);
    for (const std::string& folder : folders) {
        struct stat info {};
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) continue;
        const int fd = open((folder + "/" + kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            // An earlier version's folder, without a lock: only one with a profile (not the
            // single-instance folder of the same name) whose browser has ended, and not new.
            const auto changed = std::chrono::system_clock::from_time_t(info.st_mtime);
            if (g_file_test((folder + "/profile").c_str(), G_FILE_TEST_IS_DIR) &&
                std::chrono::system_clock::now() - changed > kUnlockedFolderAge && !BrowserRuns(folder + "/profile"))
                RemoveFolder(folder);
            continue;
        }
        // Held: its program runs. Free: the program ended without removing it; its browser may
        // still be ending.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && !BrowserRuns(folder + "/profile")) RemoveFolder(folder);
        close(fd);
    }
}

std::vector<std::string> BrowserWindow::ChromiumArguments(const std::string& launchPage, const std::string& profile,
                                                          const Geometry& geometry) {
    std::vector<std::string> place;
    if (geometry.maximized) {
        place = {"--start-maximized"};
    } else {
        place = {"--window-position=" + std::to_string(geometry.left) + "," + std::to_string(geometry.top),
                 "--window-size=" + std::to_string(geometry.width) + "," + std::to_string(geometry.height)};
    }
    std::vector<std::string> arguments{"--app=file://" + launchPage,
                                       "--user-data-dir=" + profile,
                                       "--no-first-run",
                                       "--no-default-browser-check",
                                       "--disable-sync",
                                       "--disable-background-networking",
                                       "--disable-component-update",
                                       "--disable-default-apps",
                                       "--disable-extensions",
                                       "--password-store=basic"};
    arguments.insert(arguments.end(), place.begin(), place.end());
    return arguments;
}

bool BrowserWindow::CanOpen(std::string* reason) {
    if (const char* chosen = g_getenv(kBrowserVariable); chosen != nullptr && *chosen != '\0') {
        if (!process::FindProgram(chosen).empty()) return true;
        if (reason)
            *reason = std::string("the browser named by ") + kBrowserVariable + " (" + chosen + ") cannot be found";
        return false;
    }
    const char* x11 = g_getenv("DISPLAY");
    const char* wayland = g_getenv("WAYLAND_DISPLAY");
    if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
        if (reason) *reason = "there is no display to open a window on";
        return false;
    }
    if (process::FindProgram("chromium").empty() && process::FindProgram("chromium-browser").empty() &&
        process::FindProgram("xdg-open").empty()) {
        if (reason) *reason = "no browser is installed (Chromium or a default browser through xdg-open)";
        return false;
    }
    return true;
}

std::string BrowserWindow::LaunchPage(const std::string& url) {
    const std::string attribute = HtmlAttribute(url);
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Jorvane</title>"
           "<meta http-equiv=\"refresh\" content=\"0;url=" +
           attribute + "\"></head><body></body></html>\n";
}

std::string BrowserWindow::OriginOf(const std::string& url) {
    const auto scheme = url.find("://");
    if (scheme == std::string::npos || scheme == 0) return {};
    for (std::size_t i = 0; i < scheme; ++i) {
        const char c = url[i];
        if (!g_ascii_isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    }
    const auto end = url.find_first_of("/?#", scheme + 3);
    const std::string authority =
        url.substr(scheme + 3, end == std::string::npos ? std::string::npos : end - scheme - 3);
    // A user name or password before the host is no part of the origin; such an address is not ours.
    if (authority.empty() || authority.find('@') != std::string::npos) return {};
    std::string name = url.substr(0, scheme);
    for (char& c : name) c = g_ascii_tolower(c);
    if (name != "http" && name != "https") return {};
    return name + "://" + authority;
}

std::string BrowserWindow::ProfilePreferences(const std::string& origin) {
    // Chromium's own completions of earlier typing (and of addresses and cards) would open over
    // the pages' fields and fill them with what was typed elsewhere.
    nlohmann::json prefs = {
        {"autofill", {{"enabled", false}, {"profile_enabled", false}, {"credit_card_enabled", false}}},
        {"credentials_enable_service", false},
    };
    if (!origin.empty()) {
        // Edit > Paste reads the clipboard through the page; without this grant Chromium asks the
        // user at every start whether the program's own pages may see it.
        prefs["profile"]["content_settings"]["exceptions"]["clipboard"][origin + ",*"] = {{"setting", 1}};
    }
    return prefs.dump() + "\n";
}

BrowserWindow::Kind BrowserWindow::Open(const std::string& url, std::function<void()> onClosed, std::string* error) {
    RemoveLeftFolders(paths::TempDir());
    const std::string pattern = paths::Join(paths::TempDir(), std::string(kFolderPrefix) + "XXXXXX");
    gchar* made = g_mkdtemp_full(g_strdup(pattern.c_str()), 0700);
    if (made == nullptr) {
        if (error) *error = "cannot create a private folder under " + paths::TempDir();
        return Kind::None;
    }
    folder_ = made;
    g_free(made);
    // Without a lock (a file system without locks) the folder is still removed at the end; only
    // another start might take it for one left behind.
    lockFd_ = LockFolder(folder_);

    launchPage_ = folder_ + "/open.html";
    const std::string page = LaunchPage(url);
    GError* gerror = nullptr;
    if (!g_file_set_contents_full(launchPage_.c_str(), page.data(), static_cast<gssize>(page.size()),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, &gerror)) {
        if (error) *error = gerror ? gerror->message : "cannot write the launch page";
        if (gerror) g_error_free(gerror);
        return Kind::None;
    }

    // The profile's preferences are in place before Chromium first reads them.
    const std::string defaultProfile = folder_ + "/profile/Default";
    const std::string prefs = ProfilePreferences(OriginOf(url));
    if (g_mkdir_with_parents(defaultProfile.c_str(), 0700) != 0 ||
        !g_file_set_contents_full((defaultProfile + "/Preferences").c_str(), prefs.data(),
                                  static_cast<gssize>(prefs.size()), G_FILE_SET_CONTENTS_CONSISTENT, 0600, &gerror)) {
        if (error) *error = gerror ? gerror->message : "cannot write the browser's preferences";
        if (gerror) g_error_free(gerror);
        return Kind::None;
    }

    std::string chromium;
    if (const char* chosen = g_getenv(kBrowserVariable); chosen != nullptr && *chosen != '\0') {
        chromium = process::FindProgram(chosen);
    } else {
        chromium = process::FindProgram("chromium");
        if (chromium.empty()) chromium = process::FindProgram("chromium-browser");
    }
    if (!chromium.empty()) {
        std::vector<std::string> argv{chromium};
        for (auto& argument : ChromiumArguments(launchPage_, folder_ + "/profile", geometry_)) argv.push_back(argument);
        // Chromium refuses to start for the superuser unless told there is no sandbox to have.
        if (geteuid() == 0) argv.push_back("--no-sandbox");
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        GPid pid = 0;
        if (g_spawn_async(nullptr, args.data(), nullptr,
                          static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDIN_FROM_DEV_NULL),
                          &SetUpBrowserProcess, GINT_TO_POINTER(getpid()), &pid, &gerror)) {
            pid_ = pid;
            group_ = pid;
            kind_ = Kind::Chromium;
            onClosed_ = std::move(onClosed);
            watch_ = g_child_watch_add(
                pid,
                [](GPid child, gint, gpointer data) {
                    auto* self = static_cast<BrowserWindow*>(data);
                    g_spawn_close_pid(child);
                    self->pid_ = 0;
                    self->watch_ = 0;
                    if (self->onClosed_) self->onClosed_();
                },
                this);
            return kind_;
        }
        if (gerror) g_error_free(gerror);
        gerror = nullptr;
    }

    std::string spawnError;
    if (process::Spawn({"xdg-open", "file://" + launchPage_}, &spawnError)) {
        kind_ = Kind::DefaultBrowser;
        return kind_;
    }
    if (error) *error = "no browser could be started: " + spawnError;
    return Kind::None;
}

void BrowserWindow::ForgetLaunchPage() {
    if (!launchPage_.empty()) g_unlink(launchPage_.c_str());
}

void BrowserWindow::Close() {
    if (watch_ != 0) {
        g_source_remove(watch_);
        watch_ = 0;
    }
    if (pid_ > 0) {
        // Chromium writes its profile as it ends: the folder is removed only once it has ended.
        kill(pid_, SIGTERM);
        if (!WaitForExit(pid_, kEndWait)) {
            kill(pid_, SIGKILL);
            WaitForExit(pid_, kEndWait);
        }
        g_spawn_close_pid(pid_);
        pid_ = 0;
    }
    if (group_ > 0) {
        // Its helpers (renderers, the crash handler) may outlive it for a moment, writing into the
        // profile: the folder is removed once they have ended too.
        if (GroupRuns(group_)) {
            kill(-group_, SIGTERM);
            if (!WaitForGroup(group_, kEndWait)) {
                kill(-group_, SIGKILL);
                WaitForGroup(group_, kEndWait);
            }
        }
        group_ = 0;
    }
}

}  // namespace jv::ui::host
