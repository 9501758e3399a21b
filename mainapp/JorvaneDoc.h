#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "mainapp/AutocompleteList.h"
#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/ServerConnection.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"

namespace jv::ui {
class Loop;
}

// The main program's one document: the user's database (copied from the blank database the first
// time), the preferences, and the web-service connection, which it opens only with the user's
// consent. Pages, dialogs and services reach it through GetDoc.
class CJorvaneDoc : public IConnectionSource {
public:
    // Shows the consent question with the reason and gives its result (bit 1 connect, bit 256
    // remember; anything else refuses). Tests put the user's answer here.
    using ConsentQuestion = std::function<int(const std::string& reason)>;

    CJorvaneDoc();
    ~CJorvaneDoc() override;
    CJorvaneDoc(const CJorvaneDoc&) = delete;
    CJorvaneDoc& operator=(const CJorvaneDoc&) = delete;

    // The program's document while the main window exists, else null.
    static CJorvaneDoc* GetDoc();
    static void SetDoc(CJorvaneDoc* document);

    // Opens the user's database (copying the blank one when there is none yet), loads the
    // preferences and decides whether this is a new database. False when start-up cannot go on
    // (the reason is logged and reported), or when the program is to end in order without it:
    // the user chose Exit while another program held the file, the file is not a Jorvane file
    // or not a file at all (the user told), or a stop was asked for (IsEnding).
    bool OnNewDocument();
    // OnNewDocument gave false because the program is to end, not because of a fault.
    bool IsEnding() const { return m_bEnding; }
    // Tells the user when the open file can be read but not written (its permissions).
    void TellIfCannotWrite();
    // Copies the blank database to the user's database path.
    bool CopyBlankDatabase();

    // The connected web-service connection, or null when the user refuses or connecting fails.
    // `reason` completes the consent question (HTML); `ask` false connects without asking.
    CServerConnection* GetConnection(const std::string& reason, bool ask) override;
    bool IsConnected() const { return m_serverConnection.IsConnected(); }
    bool Disconnect() { return m_serverConnection.Disconnect(); }

    void LoadUserPreferences();
    bool IsNewDatabase() const { return m_bNewDatabase; }
    void SetNewDatabase() { m_bNewDatabase = true; }
    void ClearNewDatabase() { m_bNewDatabase = false; }

    jv::db::Connection GetDatabaseConnection() const { return m_userData.GetDatabaseConnection(); }
    CUserData& GetUserData() { return m_userData; }
    CUserPreferences& GetUserPreferences() { return m_userPreferences; }
    // The vendors the registers complete (null until the database is open).
    CAutocompleteList* GetAutocompleteList() { return m_pAutocompleteList.get(); }

    // Replaces the consent dialog (tests).
    void SetConsentQuestion(ConsentQuestion question) { m_consentQuestion = std::move(question); }
    // The loop the retry of a busy database waits on (null: the wait blocks).
    void SetLoop(jv::ui::Loop* loop) { m_pLoop = loop; }
    // How long to wait before the one retry of opening the database.
    void SetRetryDelayMs(int milliseconds) { m_nRetryDelayMs = milliseconds; }

    // How long a save waits for another program that holds the user's file before the user is
    // asked whether to wait again: a moment, as the window does not answer meanwhile.
    static constexpr std::chrono::milliseconds kSaveWait{1000};

    // What a consent answer means: connect (bit 0) and, with it, remember (bit 8). Only 1 and
    // 257 connect; every other result, -1 from a page that did not load among them, refuses.
    static bool AnswerConnects(int answer) { return answer == 1 || answer == 257; }
    static bool AnswerRemembers(int answer) { return answer == 257; }

private:
    int AskConsent(const std::string& reason);
    // Opens the file, asking the user while another program holds it (Retry / Exit); false when
    // it cannot be opened or the user chose Exit.
    bool OpenUserDatabase(const std::string& path);
    // While another program holds the file at start: true to try again (Retry, or that program
    // let go), false to end the program (Exit).
    bool AskWhileHeld(const std::string& path);
    // A save found the file held: true to wait for it again (Retry).
    static bool AskWhenBusy(const std::string& path);
    // A save was refused: the file cannot be written.
    static void TellNotSaved(const std::string& path);
    // A save met a full disk: nothing of it was kept.
    static void TellDiskFull(const std::string& path);
    // The disk that holds `folder` is full at start, before the user's file can be made: said in
    // the window and on standard error, and the program ends.
    static void TellDiskFullAtStart(const std::string& folder);
    // The file named as the user's is another program's database: the program ends.
    static void TellNotJorvaneFile(const std::string& path);
    // Something other than a plain file stands under the name of the user's file (`why` says
    // what): the program ends.
    static void TellCannotUseFile(const std::string& path, const std::string& why);

    CUserData m_userData;
    CUserPreferences m_userPreferences;
    CServerConnection m_serverConnection;
    std::unique_ptr<CAutocompleteList> m_pAutocompleteList;
    bool m_bNewDatabase = false;
    bool m_bEnding = false;
    ConsentQuestion m_consentQuestion;
    jv::ui::Loop* m_pLoop = nullptr;
    int m_nRetryDelayMs = 5000;
};
