#include "mainapp/JorvaneDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <thread>
#include <vector>

#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/InternetConnectionDlg.h"
#include "platform/base/FileHolders.h"
#include "platform/base/Paths.h"
#include "platform/base/StopSignals.h"
#include "platform/base/WriteFully.h"
#include "platform/ui/Loop.h"
#include "shared/core/ConfigUser.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/UserPreferencesDatabaseObject.h"
#include "shared/ui/JVPage.h"

namespace {

CJorvaneDoc* g_document = nullptr;

// Logged twice and reported, as every failure of the copy is.
bool CopyFailed(const std::string& message, int number) {
    TraceLog("CJorvaneDoc::CopyBlankDatabase", TRACE_ERROR, message);
    TraceLog("CJorvaneDoc::CopyBlankDatabase", TRACE_ERROR, message);
    CErrorReporting::Report("CJorvaneDoc::CopyBlankDatabase", number, message);
    return false;
}

// Copies source to a new file target, readable and writable by the user only. The copy is made
// under a temporary name and linked into place, so a reader never sees half a database and a file
// that appeared at target meanwhile (another start of ours) is never overwritten.
bool CopyNewFile(const std::string& source, const std::string& target, std::string& error) {
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = source + ": " + std::strerror(errno);
        return false;
    }
    const std::string temporary = target + ".new-" + std::to_string(getpid());
    const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0) {
        error = temporary + ": " + std::strerror(errno);
        close(in);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = source + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!jv::WriteFully(out, buffer.data(), static_cast<size_t>(got))) {
            error = temporary + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    close(in);
    if (ok && fsync(out) != 0) {
        error = temporary + ": " + std::strerror(errno);
        ok = false;
    }
    close(out);
    if (ok && link(temporary.c_str(), target.c_str()) != 0 && errno != EEXIST) {
        error = target + ": " + std::strerror(errno);
        ok = false;
    }
    unlink(temporary.c_str());
    return ok;
}

}  // namespace

CJorvaneDoc::CJorvaneDoc() = default;

CJorvaneDoc::~CJorvaneDoc() {
    if (g_document == this) g_document = nullptr;
}

CJorvaneDoc* CJorvaneDoc::GetDoc() {
    return g_document;
}

void CJorvaneDoc::SetDoc(CJorvaneDoc* document) {
    g_document = document;
}

bool CJorvaneDoc::OnNewDocument() {
    const char* method = "CJorvaneDoc::OnNewDocument";
    std::string path;
    if (!CConfigUser().GetMostRecentDBpath(path)) {
        // The settings could not be written at a first start: no fault of the program's.
        const std::string settings = jv::paths::DirName(CConfigUser::FilePath());
        if (!settings.empty() && jv::paths::IsDiskFull(settings)) {
            TellDiskFullAtStart(settings);
            return false;
        }
        TraceLog(method, TRACE_ERROR, "GetMostRecentDBpath() call failed.");
        TraceLog(method, TRACE_ERROR, "GetMostRecentDBpath() call failed.");
        CErrorReporting::Report(method, 68, "GetMostRecentDBpath() call failed.");
        return false;
    }
    // Something other than a file under the name (a folder, a device, a link that leads nowhere)
    // is no fault of the program's: the user hears what it is, and the program ends.
    const std::string why = jv::paths::WhyNotAPlainFile(path);
    if (!why.empty()) {
        TellCannotUseFile(path, why);
        m_bEnding = true;
        return false;
    }
    if (!jv::paths::FileExists(path)) {
        if (!CopyBlankDatabase()) return false;
        m_bNewDatabase = true;
    }
    if (!OpenUserDatabase(path)) return false;
    LoadUserPreferences();
    CCarsDB cars(GetDatabaseConnection());
    if (cars.getCarCount(m_userPreferences.ShowSoldCars) < 1) m_bNewDatabase = true;
    m_pAutocompleteList = std::make_unique<CAutocompleteList>(GetDatabaseConnection());
    m_pAutocompleteList->Initialize();
    return true;
}

bool CJorvaneDoc::OpenUserDatabase(const std::string& path) {
    const char* method = "CJorvaneDoc::OnNewDocument";
    bool retried = false;
    while (!m_userData.OpenConnections(path)) {
        if (jv::stop::Requested()) {
            m_bEnding = true;
            return false;
        }
        if (m_userData.IsHeldByAnotherProgram()) {
            // No fault: the user hears who holds the file, and the program waits for it.
            if (!AskWhileHeld(path)) {
                if (!jv::stop::Requested())
                    TraceLog(method, TRACE_INFO, "The user ended the program while another program held the database.");
                m_bEnding = true;
                return false;
            }
            continue;
        }
        if (m_userData.IsNotJorvaneFile()) {
            // No fault of the program's: the user hears which file it is, and the program ends.
            TellNotJorvaneFile(path);
            m_bEnding = true;
            return false;
        }
        if (retried) {
            TraceLog(method, TRACE_ERROR, "Error connecting to user database");
            CErrorReporting::Report(method, 92, "Error connecting to user database");
            return false;
        }
        // The file may be out of reach for a moment: once more.
        retried = true;
        if (m_pLoop != nullptr) {
            m_pLoop->RunUntil([] { return jv::stop::Requested(); }, std::chrono::milliseconds(m_nRetryDelayMs));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_nRetryDelayMs));
        }
    }
    // A save that finds the file held asks the user rather than leave the window frozen.
    m_userData.GetDatabaseConnection().SetBusyQuestion(&CJorvaneDoc::AskWhenBusy, kSaveWait);
    // So does a save refused because the file cannot be written.
    m_userData.GetDatabaseConnection().SetReadOnlyNotice(&CJorvaneDoc::TellNotSaved);
    // And one that met a full disk.
    m_userData.GetDatabaseConnection().SetDiskFullNotice(&CJorvaneDoc::TellDiskFull);
    return true;
}

namespace {

// The file and who holds it, for the boxes below.
std::string HeldFileText(const std::string& path, const std::string& holders) {
    std::string text = "<b>" + EscapeHtmlQuotes(path) + "</b>";
    if (!holders.empty()) text += "<br><br>The program that holds it: " + EscapeHtmlQuotes(holders) + ".";
    return text;
}

std::vector<jv::files::Holder> FileHolders(const std::string& path) {
    return jv::files::Holders({path, path + "-shm", path + "-wal", path + "-journal"});
}

// A box about the held file: Retry (0) or the other answer.
void SetUpRetryBox(CGenericDlg& dialog, const std::string& message, const std::string& otherAnswer) {
    dialog.SetTitle("Jorvane");
    dialog.SetMessage(message);
    dialog.SetOKLabel("Retry");
    dialog.SetCancelLabel(otherAnswer);
    dialog.ShowCancelButton();
    dialog.SetSize(480, 300);
}

}  // namespace

bool CJorvaneDoc::AskWhileHeld(const std::string& path) {
    const std::vector<jv::files::Holder> holders = FileHolders(path);
    const int version = m_userData.GetVersion();
    const bool old = version >= 0 && version < CUserData::kOldestVersionUsedAsItIs;
    CGenericDlg dialog;
    SetUpRetryBox(dialog,
                  "Another program is using your Jorvane file<br><br>" +
                      HeldFileText(path, jv::files::Describe(holders)) + "<br><br>" +
                      (old ? "Jorvane brings the file up to date and opens it" : "Jorvane opens the file") +
                      " once that program lets go of it. Close that program or let it finish: Jorvane then goes on "
                      "by itself, or click Retry.",
                  "Exit");
    // The programs named let go: try again without waiting for the user.
    unsigned watch = 0;
    if (m_pLoop != nullptr && !holders.empty()) {
        watch = m_pLoop->AddTimer(std::chrono::milliseconds(500), [&dialog, &holders, &path] {
            for (const jv::files::Holder& now : FileHolders(path)) {
                for (const jv::files::Holder& named : holders) {
                    if (now.pid == named.pid) return;
                }
            }
            dialog.EndDialog(0);
        });
    }
    const int answer = dialog.DoModal();
    if (watch != 0) m_pLoop->RemoveTimer(watch);
    return answer == 0 && !jv::stop::Requested();
}

bool CJorvaneDoc::AskWhenBusy(const std::string& path) {
    TraceLog("CJorvaneDoc::AskWhenBusy", TRACE_WARNING, "Another program holds the database: the user is asked.");
    CGenericDlg dialog;
    SetUpRetryBox(dialog,
                  "Jorvane could not save: another program is using your Jorvane file<br><br>" +
                      HeldFileText(path, jv::files::Describe(FileHolders(path))) +
                      "<br><br>What you typed is kept. Click Retry once that program has let go of the file, or "
                      "Cancel to leave it unsaved for now.",
                  "Cancel");
    return dialog.DoModal() == 0 && !jv::stop::Requested();
}

namespace {

// How the boxes about a file the program cannot use as the user's end.
constexpr const char* kLeftAsItWas =
    "Jorvane has left it as it was, and ends now. Move that file away, or name your own Jorvane file in Jorvane's "
    "settings (configUser.xml), then start Jorvane again.";

// A box that tells the user something about the file, with OK only.
void Tell(const std::string& message) {
    CGenericDlg dialog;
    dialog.SetTitle("Jorvane");
    dialog.SetMessage(message);
    dialog.SetSize(480, 300);
    dialog.DoModal();
}

}  // namespace

void CJorvaneDoc::TellIfCannotWrite() {
    const jv::db::Connection connection = GetDatabaseConnection();
    if (!connection.IsOpen() || !connection.IsReadOnly()) return;
    TraceLog("CJorvaneDoc::TellIfCannotWrite", TRACE_WARNING,
             "The database " + connection.path() + " cannot be written: the user is told.");
    Tell("Your Jorvane file cannot be written<br><br>" + HeldFileText(connection.path(), "") +
         "<br><br>The file can be read but not written: its permissions do not let you change it. You can look at "
         "everything in it, but nothing you change is saved until the file is writable again.");
}

void CJorvaneDoc::TellNotSaved(const std::string& path) {
    TraceLog("CJorvaneDoc::TellNotSaved", TRACE_WARNING, "The database cannot be written: the user is told.");
    Tell("Jorvane could not save: your Jorvane file cannot be written<br><br>" + HeldFileText(path, "") +
         "<br><br>What you typed is kept, but it is not saved. Make the file writable again (its permissions), "
         "then save once more.");
}

void CJorvaneDoc::TellDiskFull(const std::string& path) {
    TraceLog("CJorvaneDoc::TellDiskFull", TRACE_WARNING, "The disk that holds the database is full: the user is told.");
    Tell("Jorvane could not save: the disk that holds your Jorvane file is full<br><br>" + HeldFileText(path, "") +
         "<br><br>Nothing was saved. What you typed is kept: make room on that disk (move or delete files you do not "
         "need), then save once more.");
}

void CJorvaneDoc::TellDiskFullAtStart(const std::string& folder) {
    // Where the disk holds the trace log as well, standard error is the one place left to say it.
    std::cerr << "jorvane: the disk that holds " << folder << " is full: Jorvane cannot keep its files there. "
              << "Make room on that disk, then start Jorvane again." << std::endl;
    TraceLog("CJorvaneDoc::TellDiskFullAtStart", TRACE_WARNING,
             "The disk that holds " + folder + " is full: the user is told, and the program ends.");
    Tell("Jorvane cannot start: the disk that holds your Jorvane folder is full<br><br>" + HeldFileText(folder, "") +
         "<br><br>Jorvane keeps your files in this folder, and there is no room left on its disk. Nothing was "
         "changed. Make room on that disk (move or delete files you do not need), then start Jorvane again.");
}

void CJorvaneDoc::TellNotJorvaneFile(const std::string& path) {
    TraceLog("CJorvaneDoc::TellNotJorvaneFile", TRACE_WARNING, "The file " + path + " is not a Jorvane file.");
    // A link names the file it leads to as well: that is the one the user looks for.
    std::string file = HeldFileText(path, "");
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const std::filesystem::path target = std::filesystem::canonical(path, error);
        if (!error) file += "<br>(a link to <b>" + EscapeHtmlQuotes(target.string()) + "</b>)";
    }
    Tell("This file is not a Jorvane file<br><br>" + file +
         "<br><br>It is a database of another program, named as your Jorvane file. " + kLeftAsItWas);
}

void CJorvaneDoc::TellCannotUseFile(const std::string& path, const std::string& why) {
    TraceLog("CJorvaneDoc::TellCannotUseFile", TRACE_WARNING,
             "The file " + path + " cannot be used as the user's file: " + why + ".");
    Tell("This file cannot be used as your Jorvane file<br><br>" + HeldFileText(path, "") +
         "<br><br>Jorvane cannot use it: " + EscapeHtmlQuotes(why) + ". " + kLeftAsItWas);
}

bool CJorvaneDoc::CopyBlankDatabase() {
    const std::string common = jv::paths::CommonAppData();
    if (common.empty()) {
        TraceLogError("CJorvaneDoc::CopyBlankDatabase", TRACE_ERROR, "SHGetFolderPath() call failed", ENOENT);
        return CopyFailed("SHGetFolderPath() call failed\r\nError: the machine-wide data folder cannot be found", 292);
    }
    const std::string blank = jv::paths::Join(common, "Jorvane/Jorvane/jvbdb");
    std::string path;
    if (!CConfigUser().GetMostRecentDBpath(path))
        return CopyFailed("GetMostRecentDBpath(" + path + ") call failed", 313);
    const auto slash = path.rfind('/');
    const std::string folder = slash != std::string::npos ? path.substr(0, slash + 1) : std::string();
    // A full disk is no fault of the program's: the user hears which folder it is.
    const auto fullDisk = [&folder] {
        const std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1)
                                  : folder.empty()  ? "."
                                                    : folder;
        if (!jv::paths::IsDiskFull(shown)) return false;
        TellDiskFullAtStart(shown);
        return true;
    };
    if (!folder.empty() && !jv::paths::MakeSureDirectoryPathExists(folder)) {
        if (fullDisk()) return false;
        return CopyFailed("MakeSureDirectoryPathExists(" + folder + ") call failed", 327);
    }
    std::string error;
    if (!CopyNewFile(blank, path, error)) {
        TraceLog("CJorvaneDoc::CopyBlankDatabase", TRACE_ERROR, error);
        if (fullDisk()) return false;
        return CopyFailed("failed to copy blank DB to user DB", 337);
    }
    return true;
}

void CJorvaneDoc::LoadUserPreferences() {
    CUserPreferencesDatabaseObject prefs(GetDatabaseConnection());
    prefs.GetUserPreferences(m_userPreferences);
}

int CJorvaneDoc::AskConsent(const std::string& reason) {
    if (m_consentQuestion) return m_consentQuestion(reason);
    CInternetConnectionDlg dialog;
    dialog.SetMessage(reason);
    return dialog.DoModal();
}

CServerConnection* CJorvaneDoc::GetConnection(const std::string& reason, bool ask) {
    const char* method = "CJorvaneDoc::GetConnection";
    if (m_serverConnection.IsConnected()) return &m_serverConnection;
    if (ask) {
        if (m_userPreferences.Internet == 1) {
            TraceLog(method, TRACE_WARNING, "user previously disallowed connection to the server");
            return nullptr;
        }
        if (m_userPreferences.Internet != 2) {
            if (m_userPreferences.InternetAnswer == 1) {
                TraceLog(method, TRACE_WARNING, "user previously disallowed connection to the server");
                return nullptr;
            }
            if (m_userPreferences.InternetAnswer != 2) {
                const int answer = m_bNewDatabase ? 257 : AskConsent(reason);
                if (!AnswerConnects(answer)) {
                    m_userPreferences.InternetAnswer = 1;
                    TraceLog(method, TRACE_WARNING, "user has disallowed connection to the server");
                    return nullptr;
                }
                m_userPreferences.InternetAnswer = 2;
                if (AnswerRemembers(answer)) {
                    m_userPreferences.Internet = 2;
                    CUserPreferencesDatabaseObject(GetDatabaseConnection()).SaveUserPreferences(m_userPreferences);
                }
            }
        }
    }
    if (m_serverConnection.Connect()) return &m_serverConnection;
    TraceLog(method, TRACE_ERROR, "server connection attempt failed");
    return nullptr;
}
