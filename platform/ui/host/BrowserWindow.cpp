#include "platform/ui/host/BrowserWindow.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

BrowserWindow::~BrowserWindow() {
    Close();
    if (!folder_.empty()) RemoveTree(folder_);
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
    const std::string authority = url.substr(scheme + 3, end == std::string::npos ? std::string::npos : end - scheme - 3);
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
    const std::string pattern = paths::Join(paths::TempDir(), "jorvane-XXXXXX");
    gchar* made = g_mkdtemp_full(g_strdup(pattern.c_str()), 0700);
    if (made == nullptr) {
        if (error) *error = "cannot create a private folder under " + paths::TempDir();
        return Kind::None;
    }
    folder_ = made;
    g_free(made);

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
                          static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDIN_FROM_DEV_NULL), nullptr,
                          nullptr, &pid, &gerror)) {
            pid_ = pid;
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
}

}  // namespace jv::ui::host
