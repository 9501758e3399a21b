#include "mainapp/net/ServerConnection.h"

#include <cstdio>

#include "shared/core/ConfigApp.h"
#include "tests/mainapp/net/NetTest.h"

namespace jv::test {
namespace {

using ServerConnection = NetTest;

TEST_F(ServerConnection, ConnectReadsTheEndpointFromTheConfiguration) {
    struct Case {
        const char* name;
        std::string config;  // attributes of the web element; "-" for no configuration file
        bool connected;
        std::string endpoint;
    };
    const Case cases[] = {
        {"plain http", "url=\"jorvane.test\" protocol=\"http\"", true, "http://jorvane.test/webservices/jvs/jvs.asmx"},
        {"no protocol means http", "url=\"jorvane.test:8080\"", true,
         "http://jorvane.test:8080/webservices/jvs/jvs.asmx"},
        {"https", "url=\"jorvane.test\" protocol=\"https\"", true, "https://jorvane.test/webservices/jvs/jvs.asmx"},
        {"no url", "protocol=\"http\"", false, ""},
        {"empty url", "url=\"\" protocol=\"http\"", false, ""},
        {"blank in host", "url=\"jorvane test\"", false, ""},
        {"not http", "url=\"jorvane.test\" protocol=\"file\"", false, ""},
        {"empty protocol", "url=\"jorvane.test\" protocol=\"\"", false, ""},
        {"no configuration file", "-", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.config == "-") {
            std::remove(CConfigApp::FilePath().c_str());
        } else {
            WriteWebConfig(c.config);
        }
        CServerConnection connection(http);
        EXPECT_EQ(connection.GetState(), 0);
        EXPECT_EQ(connection.Connect(), c.connected);
        EXPECT_EQ(connection.GetState(), c.connected ? 2 : 1);
        ASSERT_NE(connection.GetConnector(), nullptr);
        if (c.connected) {
            EXPECT_EQ(connection.GetConnector()->EndPointURL(), c.endpoint);
        }
    }
    // Configuring a connection sends nothing.
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(ServerConnection, DisconnectKeepsTheConnectorUntilTheNextConnect) {
    CServerConnection connection(http);
    ASSERT_TRUE(connection.Connect());
    const auto first = connection.GetConnector();
    EXPECT_TRUE(connection.Disconnect());
    EXPECT_EQ(connection.GetState(), 0);
    EXPECT_EQ(connection.GetConnector(), first);
    ASSERT_TRUE(connection.Connect());
    EXPECT_EQ(connection.GetState(), 2);
    EXPECT_NE(connection.GetConnector(), first);
}

}  // namespace
}  // namespace jv::test
