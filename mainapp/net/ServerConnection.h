#pragma once

#include <memory>

#include "mainapp/net/HttpConnector.h"

namespace jv::net {
class HttpClient;
}

// The document's one connection to the web service: a connector configured with the endpoint
// from the machine-wide configuration and the service's credentials, and the connection state.
// The document hands it out, after asking the user's consent, and is the only caller of Connect.
class CServerConnection {
public:
    enum State { kNotConnected = 0, kConnectFailed = 1, kConnected = 2 };

    // `http` carries the calls; null gives the ordinary HTTP client.
    explicit CServerConnection(std::shared_ptr<jv::net::HttpClient> http = nullptr);
    ~CServerConnection();
    CServerConnection(const CServerConnection&) = delete;
    CServerConnection& operator=(const CServerConnection&) = delete;

    // Configures a new connector: true and state 2 when connected, false and state 1 otherwise.
    bool Connect();
    // State 0; the connector is kept until the next Connect replaces it. Always true.
    bool Disconnect();

    int GetState() const { return m_nState; }
    bool IsConnected() const { return m_nState == kConnected; }
    // The current connector (null before the first Connect); each call keeps its own reference.
    std::shared_ptr<CHttpConnector> GetConnector() const { return m_pConnector; }

private:
    std::shared_ptr<jv::net::HttpClient> m_http;
    std::shared_ptr<CHttpConnector> m_pConnector;
    int m_nState = kNotConnected;
};
