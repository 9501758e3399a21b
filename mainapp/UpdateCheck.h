#pragma once

#include <functional>
#include <string>
#include <vector>

// What an update check came to.
enum class UpdateCheckResult {
    InstallerStarted,    // the installer runs and the main window has been closed
    UpdateNotInstalled,  // an update exists but is not being installed (Later, a failed download or start)
    NoUpdate,            // the web service has none, or it is not asked (the user refuses the Internet)
    ServiceUnreachable,  // the web service could not be reached, or gave no answer that could be read
};

// The update check at start-up and from Help > Check For Updates: asks the web service whether a
// newer version exists and, when the user agrees, downloads the package into a folder of its own
// in the temporary folder (see CUpdateNet::getUpdate), writes the install line into a new
// "JVInstaller.bat" beside it, starts the installer and closes the main window so that the
// installer can replace the program.
//
// The installer is the program named in configApp.xml (<update installer="/path/to/program"/>),
// started with the package's path and "JVUPDATE=TRUE" as its arguments; without one the package
// is handed to the desktop's default handler (xdg-open). Programs are always started with an
// argument vector, never through a shell.
class CUpdateCheck {
public:
    using Spawner = std::function<bool(const std::vector<std::string>& argv, std::string* error)>;

    // closeMainWindow: what closing the frame does (the program then ends).
    explicit CUpdateCheck(std::function<void()> closeMainWindow);

    UpdateCheckResult CheckForUpdate();
    // The menu command: the check, and "There are no updates available at this time." only when
    // it found none; when the service could not be reached, the "Couldn't Reach Internet" box,
    // whose Retry checks again.
    void OnCheckForUpdates();

    // The pieces, on their own for tests.
    // "JVInstaller.bat" in the package's folder.
    static std::string InstallerFilePath(const std::string& packagePath);
    static std::string InstallerFileText(const std::string& packagePath);
    // The installer's argument vector for the configured program (empty: the desktop's handler).
    static std::vector<std::string> InstallerCommand(const std::string& configured, const std::string& packagePath);
    // The message of the "Update failed" dialog: the address as text, and as a link only when it
    // is an http or https address.
    static std::string DownloadFailedMessage(const std::string& url);
    // Writes the install line into a new InstallerFilePath; false (logged) when the file cannot be
    // created or written.
    static bool WriteInstallerFile(const std::string& packagePath);

private:
    std::function<void()> m_closeMainWindow;
    Spawner m_spawn;
};
