#pragma once

#include <string>

class CServerConnection;

// The document's web-service connection as the web-service clients reach it. The document
// implements it (asking the user's consent and connecting) and installs it at start-up; with
// none installed there is no connection and every web-service operation fails quietly.
class IConnectionSource {
public:
    virtual ~IConnectionSource() = default;
    // The connected connection, or null when the user refuses or connecting fails. `reason`
    // completes the sentence of the consent question; `allowAsk` false connects without asking.
    virtual CServerConnection* GetConnection(const std::string& reason, bool allowAsk) = 0;

    // The source used by the web-service clients (null: none). The caller keeps ownership.
    static void Install(IConnectionSource* source);
    static IConnectionSource* Installed();
    // The installed source's connection, or null when none is installed.
    static CServerConnection* Get(const std::string& reason, bool allowAsk);
};
