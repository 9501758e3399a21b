#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace jv::ui::host {

// Where the program's window opens: maximised, or at a place with a size (pixels).
struct WindowGeometry {
    bool maximized = true;
    int left = 0;
    int top = 0;
    int width = 1024;
    int height = 768;
};

// The part of a screen that windows may take (pixels).
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// `window` moved, and made smaller where it is larger, to lie inside `screen`. A maximised window,
// or a screen of no size, is left as it is.
WindowGeometry FitInside(const WindowGeometry& window, const ScreenArea& screen);

// The window that shows the program: Chromium in app mode with a private profile in a new
// temporary folder, or, when there is no Chromium, the user's default browser (xdg-open).
//
// The folder is the program's for as long as it runs (a lock in it says so): once the browser and
// every process it started have ended, the folder goes. What a run could not remove (it was killed)
// goes at the next start of either program; a folder whose program or browser still runs stays.
//
// The address the browser opens carries a one-time ticket. It is written into a launch page in
// the private folder (readable by the user only) rather than onto a command line, where every
// process could read it; the page is removed once the ticket has been used.
class BrowserWindow {
public:
    enum class Kind { None, Chromium, DefaultBrowser };

    using Geometry = WindowGeometry;

    // The environment variable that names the browser to start instead of Chromium (a program
    // that takes Chromium's arguments: another Chromium build, or a test's stand-in).
    static constexpr const char* kBrowserVariable = "JV_BROWSER";

    // How long a browser asked to end is waited for before it is killed (and as long again after).
    static constexpr std::chrono::milliseconds kEndWait{5000};

    BrowserWindow() = default;
    // Ends a browser this object started, waits for it to have ended, and removes its private
    // folder.
    ~BrowserWindow();
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    // Opens `url` in a new window. `onClosed` runs (on the GLib main context) when a Chromium
    // window this object started has ended; the default browser's window cannot be watched.
    // Returns how the window was opened; None, with *error, when it could not be.
    Kind Open(const std::string& url, std::function<void()> onClosed, std::string* error = nullptr);

    // The command line Chromium is started with (without the program), for a launch page and a
    // profile folder.
    static std::vector<std::string> ChromiumArguments(const std::string& launchPage, const std::string& profile,
                                                      const Geometry& geometry = Geometry{false});
    // Whether a window can be opened at all: a browser named by JV_BROWSER, or a display with
    // Chromium or a default browser on it. False, with the reason, when not.
    static bool CanOpen(std::string* reason);

    void SetGeometry(const Geometry& geometry) { geometry_ = geometry; }
    const Geometry& geometry() const { return geometry_; }
    // The launch page: a document that sends the browser on to `url`.
    static std::string LaunchPage(const std::string& url);
    // "scheme://host[:port]" of an address, or "" when it has no host.
    static std::string OriginOf(const std::string& url);
    // The preferences the private profile starts with, for the program's pages at `origin`: they
    // may read the clipboard (the menu's Paste) without the browser asking, and the browser
    // offers no completions of earlier typing of its own. No clipboard grant for an empty origin.
    static std::string ProfilePreferences(const std::string& origin);

    // Removes the launch page (its ticket has been used).
    void ForgetLaunchPage();
    // Ends the browser window this object started, if it still runs, and waits for it and every
    // process it started to have ended (killing them when they do not end within kEndWait).
    void Close();

    // Removes the private folders in `tempDir` that earlier runs left behind: those no program
    // holds any more and whose browser has ended.
    static void RemoveLeftFolders(const std::string& tempDir);

    const std::string& folder() const { return folder_; }
    Kind kind() const { return kind_; }

private:
    std::string folder_;
    std::string launchPage_;
    Geometry geometry_{false};
    Kind kind_ = Kind::None;
    pid_t pid_ = 0;
    // The process group the browser leads, its helpers with it (0: none started).
    pid_t group_ = 0;
    // The lock on the folder, held while this object has it.
    int lockFd_ = -1;
    unsigned watch_ = 0;
    std::function<void()> onClosed_;
};

}  // namespace jv::ui::host
