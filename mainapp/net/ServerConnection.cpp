#include "mainapp/net/ServerConnection.h"

#include "platform/net/HttpClient.h"
#include "shared/core/ConfigApp.h"

namespace {
const char kEndpointFormat[] = "%s://%s/webservices/jvs/jvs.asmx";
const char kAuthUser[] = "jvuser";
const char kAuthPassword[] = "Nq5vdrL%m3tt8";

std::string FormatEndpoint(const std::string& protocol, const std::string& host) {
    std::string url = kEndpointFormat;
    url.replace(url.find("%s"), 2, protocol);
    url.replace(url.find("%s"), 2, host);
    return url;
}
}  // namespace

CServerConnection::CServerConnection(std::shared_ptr<jv::net::HttpClient> http)
    : m_http(http ? std::move(http) : std::make_shared<jv::net::HttpClient>()) {}

CServerConnection::~CServerConnection() {
    Disconnect();
}

bool CServerConnection::Disconnect() {
    m_nState = kNotConnected;
    return true;
}

bool CServerConnection::Connect() {
    m_pConnector = std::make_shared<CHttpConnector>(m_http);

    CConfigApp configApp;
    std::string host;
    // A missing or empty host fails here, before anything is configured or sent.
    if (!configApp.GetWebURL(host) || host.empty()) {
        m_nState = kConnectFailed;
        return false;
    }
    std::string protocol;
    if (!configApp.GetWebProtocol(protocol)) protocol = "https";

    m_pConnector->SetEndPointURL(FormatEndpoint(protocol, host));
    m_pConnector->SetAuthUser(kAuthUser);
    m_pConnector->SetAuthPassword(kAuthPassword);

    m_nState = m_pConnector->Connect() ? kConnected : kConnectFailed;
    return m_nState == kConnected;
}
