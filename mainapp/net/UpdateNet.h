#pragma once

#include <string>

class CServerConnection;

// The update and partner-text operations of the web service: whether a newer version exists,
// downloading its installer into the temporary folder, and the partner text. Built on the stack
// where needed; the constructor asks the document for the connection, so the consent question
// may appear then. Without a connection every operation fails (the partner text falls back).
class CUpdateNet {
public:
    CUpdateNet();

    // True when the service names a package: its path (a file name) and its download address.
    // False as well when the service could not be asked; ServiceAnswered tells the two apart.
    bool isUpdateAvailable(std::string& path, std::string& url);
    // Whether the last call reached the service and got an answer it could read (false also when
    // there was no connection to call on).
    bool ServiceAnswered() const { return m_bAnswered; }
    // Downloads the package named `fileName` under its last name component into a new folder of
    // its own in the temporary folder ("JVUpdate-XXXXXX", readable by this user only), which stays
    // for the installer; `localPath` says where, also when writing failed. False, with nothing
    // downloaded, when that component is not a plain file name (letters, digits, dots, dashes,
    // underscores and spaces only, not beginning with a dot), and false when the answer holds no
    // package (empty, or not Base64).
    bool getUpdate(const std::string& fileName, std::string& localPath);
    // The partner text from the service, or the one stored in the settings when the service
    // gives none.
    std::string getPartnerText(const std::string& partner, const std::string& subPartner);

    CServerConnection* m_pConn = nullptr;

private:
    bool m_bAnswered = false;
};
