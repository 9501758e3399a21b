#include "mainapp/UpdateCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/NoInternetDlg.h"
#include "mainapp/dialogs/UpdateAvailableDlg.h"
#include "mainapp/net/UpdateNet.h"
#include "platform/base/Paths.h"
#include "platform/base/Spawn.h"
#include "platform/base/WriteFully.h"
#include "shared/core/ConfigApp.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/JVPage.h"

namespace {

constexpr const char* kMethod = "CJorvaneApp::CheckForUpdate";

std::string ErrorText(int error) {
    return std::string(std::strerror(error)).substr(0, 255);
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

CUpdateCheck::CUpdateCheck(std::function<void()> closeMainWindow)
    : m_closeMainWindow(std::move(closeMainWindow)),
      m_spawn(
          [](const std::vector<std::string>& argv, std::string* error) { return jv::process::Spawn(argv, error); }) {}

std::string CUpdateCheck::InstallerFilePath(const std::string& packagePath) {
    return jv::paths::Join(jv::paths::DirName(packagePath), "JVInstaller.bat");
}

std::string CUpdateCheck::InstallerFileText(const std::string& packagePath) {
    return "msiexec /qn /i \"" + packagePath + "\" JVUPDATE=TRUE\r\n";
}

std::vector<std::string> CUpdateCheck::InstallerCommand(const std::string& configured, const std::string& packagePath) {
    if (configured.empty()) return {"xdg-open", packagePath};
    return {configured, packagePath, "JVUPDATE=TRUE"};
}

std::string CUpdateCheck::DownloadFailedMessage(const std::string& url) {
    const std::string shown = EscapeHtmlQuotes(url);
    const bool linkable = StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
    std::string message =
        "Jorvane was not able to download the new version automatically.  You can download it yourself here:"
        "<br/><br/>";
    if (linkable)
        message += "<a target=\"_blank\" href=\"" + shown + "\" style=\"color:blue;\">" + shown + "</a>";
    else
        message += shown;
    message +=
        "<br/><br/>When your browser asks if you'd like to Open or Save the file, choose Open.  Once the "
        "installation begins, you will need to exit the Jorvane application.";
    return message;
}

bool CUpdateCheck::WriteInstallerFile(const std::string& packagePath) {
    const std::string path = InstallerFilePath(packagePath);
    const std::string text = InstallerFileText(packagePath);
    // A new file, never one that is there already (nor a link planted under its name).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        TraceLog(kMethod, TRACE_ERROR, "Failed to create batch file for installer.  Message: " + ErrorText(errno));
        return false;
    }
    const bool written = jv::WriteFully(fd, text.data(), text.size());
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        TraceLog(kMethod, TRACE_ERROR,
                 "Failed to write batch file for installer.  Message: " + ErrorText(written ? errno : writeError));
        return false;
    }
    return true;
}

UpdateCheckResult CUpdateCheck::CheckForUpdate() {
    std::string packagePath, url;
    {
        CUpdateNet update;
        if (!update.isUpdateAvailable(packagePath, url)) {
            // No connection at all means the user does not allow the program on the Internet.
            const bool asked = update.m_pConn != nullptr;
            return asked && !update.ServiceAnswered() ? UpdateCheckResult::ServiceUnreachable
                                                      : UpdateCheckResult::NoUpdate;
        }
    }
    TraceLog(kMethod, TRACE_INFO, "Found Jorvane update");

    CUpdateAvailableDlg question;
    if (question.DoModal() != 0) return UpdateCheckResult::UpdateNotInstalled;

    std::string localPath;
    bool downloaded = false;
    {
        CUpdateNet update;
        downloaded = update.getUpdate(packagePath, localPath);
    }
    if (!downloaded) {
        CGenericDlg failed;
        failed.SetMessage(DownloadFailedMessage(url));
        failed.SetSize(380, 320);
        failed.SetTitle("Update failed");
        failed.DoModal();
        return UpdateCheckResult::UpdateNotInstalled;
    }

    {
        CGenericDlg ready;
        ready.SetMessage(
            "We have downloaded the new version and are ready to install it.  Jorvane will close for a moment and "
            "then reopen with the new version.<p>If your computer security software (e.g. McAfee, Norton and "
            "others) asks you if you wish to grant this new version of Jorvane certain permissions, please choose "
            "OK or ALLOW. Otherwise, Jorvane Software might not work as intended.");
        ready.SetSize(300, 350);
        ready.DoModal();
    }

    if (!WriteInstallerFile(localPath)) {
        // The user was told the installation follows: say that it does not.
        CGenericDlg failed;
        failed.SetMessage(
            "Jorvane could not prepare the installation of the new version.  The downloaded package is "
            "here:<br/><br/>" +
            EscapeHtmlQuotes(localPath));
        failed.SetTitle("Update failed");
        failed.SetSize(380, 260);
        failed.DoModal();
        return UpdateCheckResult::UpdateNotInstalled;
    }

    std::string installer;
    CConfigApp().GetInstallerCommand(installer);
    std::string error;
    if (m_spawn(InstallerCommand(installer, localPath), &error)) {
        TraceLog(kMethod, TRACE_INFO, "Installing Jorvane update");
        if (m_closeMainWindow) m_closeMainWindow();
        return UpdateCheckResult::InstallerStarted;
    }
    const int number = errno;
    const std::string message = "Couldn't create process for installation batch file";
    TraceLogError(kMethod, TRACE_ERROR, message, static_cast<uint32_t>(number));
    TraceLog(kMethod, TRACE_ERROR, message);
    CErrorReporting::Report(kMethod, 464, message);
    return UpdateCheckResult::UpdateNotInstalled;
}

void CUpdateCheck::OnCheckForUpdates() {
    for (;;) {
        const UpdateCheckResult result = CheckForUpdate();
        if (result == UpdateCheckResult::NoUpdate) {
            CGenericDlg none;
            none.SetMessage("There are no updates available at this time.");
            none.DoModal();
            return;
        }
        if (result != UpdateCheckResult::ServiceUnreachable) return;
        // A failure is not "no updates": the user hears that the service could not be reached.
        CNoInternetDlg unreachable;
        if (unreachable.DoModal() != 1) return;
    }
}
