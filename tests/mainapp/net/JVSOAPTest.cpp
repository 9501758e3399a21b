#include "mainapp/net/JVSOAP.h"

#include <functional>

#include "tests/mainapp/net/NetTest.h"

namespace jv::test {
namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

class JVSOAP : public NetTest {
protected:
    JVSOAP() { document.connection.Connect(); }

    // One whole exchange as the operations make it.
    bool Exchange(const std::string& method, const Parameters& parameters, bool showDialog,
                  std::unique_ptr<xml::Document>& dom, bool* sent = nullptr) {
        CJVSOAP soap(&document.connection);
        soap.BeginCall(method);
        for (const auto& [name, value] : parameters) soap.AddParameter(name, value);
        const bool made = soap.MakeCall("Waiting for the server", showDialog);
        if (sent) *sent = made;
        return made && soap.GetResponse(dom);
    }
};

TEST_F(JVSOAP, SendsTheMethodAndItsParametersAndReadsTheAnswerByPrefix) {
    server.Enqueue(SoapReply::Result("GetUpdate", "QUJD"));
    std::unique_ptr<xml::Document> dom;
    ASSERT_TRUE(Exchange("GetUpdate", {{"strVersion", "1.0"}, {"strFileName", "A&B <c> \"d\" 'e'\r\nf"}, {"empty", ""}},
                         false, dom));
    ASSERT_NE(dom, nullptr);
    EXPECT_EQ(dom->SelectSingleNode("//jv:GetUpdateResult").Text(), "QUJD");

    EXPECT_TRUE(server.Problems().empty()) << ::testing::PrintToString(server.Problems());
    const auto calls = server.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].soapMethod, "GetUpdate");
    EXPECT_EQ(calls[0].parameters,
              (Parameters{{"strVersion", "1.0"}, {"strFileName", "A&B <c> \"d\" 'e'\r\nf"}, {"empty", ""}}));
    EXPECT_EQ(document.connection.GetState(), 2);
}

TEST_F(JVSOAP, FailedExchangesReportTheirFailureAndSetTheConnectionState) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool sent;           // MakeCall's result
        int stateAfter;      // the connection's state after the exchange
        const char* traced;  // a part of the trace line
    };
    const std::string tooLarge(CHttpConnector::MaxAnswerBytes() + 1024, 'x');
    // The code of a load failure is written 81 digits wide.
    const std::string loadFailed = "SOAP call Load() failed - Code = " + std::string(78, '0');
    const std::string notSoap = "SOAP call Load() failed - Code = " + std::string(81, '0') + ", Code meaning = ";
    const Case cases[] = {
        {"connection refused",
         [&] { WriteWebConfig("url=\"127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "\""); }, false,
         0, "SOAP call EndMessage() failed - "},
        {"401", [&] { server.Enqueue(SoapReply::Status(401, "who are you?")); }, false, 0,
         "SOAP call EndMessage() failed - "},
        {"404", [&] { server.Enqueue(SoapReply::Status(404, "no such page", "text/html")); }, false, 0,
         "SOAP call EndMessage() failed - "},
        {"stalled server",
         [&] {
             http->totalTimeoutMs = 1000;
             server.Enqueue(SoapReply::Stall());
         },
         false, 0, "SOAP call EndMessage() failed - "},
        {"slow server",
         [&] {
             http->totalTimeoutMs = 1000;
             server.Enqueue(SoapReply::Drip("<GetUpdateResponse/>"));
         },
         false, 0, "SOAP call EndMessage() failed - "},
        {"answer too large", [&] { server.Enqueue(SoapReply::Status(200, tooLarge, "text/xml")); }, false, 0,
         "SOAP call EndMessage() failed - "},
        {"garbage with status 200", [&] { server.Enqueue(SoapReply::Status(200, "%PDF-1.4 garbage", "text/xml")); },
         true, 2, loadFailed.c_str()},
        {"a web page with status 200",
         [&] { server.Enqueue(SoapReply::Status(200, "<html><body>Welcome</body></html>", "text/html")); }, true, 2,
         notSoap.c_str()},
        {"SOAP fault", [&] { server.Enqueue(SoapReply::Fault("soap:Server", "Server was unable to process")); }, true,
         2, "Fault returned with SOAP Response - soap:ServerServer was unable to process"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointAtServer();
        http->totalTimeoutMs = 5000;
        c.arrange();
        ASSERT_TRUE(document.connection.Connect());
        const size_t logged = Trace().size();

        std::unique_ptr<xml::Document> dom = std::make_unique<xml::Document>();
        bool sent = false;
        EXPECT_FALSE(Exchange("GetUpdate", {{"strVersion", "1.0"}}, false, dom, &sent));
        EXPECT_EQ(sent, c.sent);
        if (c.sent) {
            EXPECT_EQ(dom, nullptr);
        }
        EXPECT_EQ(document.connection.GetState(), c.stateAfter);
        EXPECT_NE(Trace().find(c.traced, logged), std::string::npos) << Trace();
    }
    EXPECT_EQ(shell.pumps, 0);
}

TEST_F(JVSOAP, PumpsOnlyWhileTheStatusWindowIsShown) {
    struct Case {
        const char* name;
        bool showDialog;
        std::function<void()> arrange;
        int pumps;
        int dialogs;  // status windows made
        int shown;
    };
    const Case cases[] = {
        {"answer without window", false, [&] { server.Enqueue(SoapReply::Result("GetUpdate", "")); }, 0, 0, 0},
        // after closing the body, after closing the envelope, after sending, before and after
        // loading, before handing out the answer, and when the window closes
        {"answer with window", true, [&] { server.Enqueue(SoapReply::Result("GetUpdate", "")); }, 7 * 40, 1, 1},
        {"window that cannot be created", true,
         [&] {
             shell.createSucceeds = false;
             server.Enqueue(SoapReply::Result("GetUpdate", ""));
         },
         7 * 40, 1, 0},
        {"fault with window", true, [&] { server.Enqueue(SoapReply::Fault("soap:Client", "bad")); }, 6 * 40, 1, 1},
        {"garbage with window", true, [&] { server.Enqueue(SoapReply::Status(200, "garbage", "text/xml")); }, 5 * 40, 1,
         1},
        {"refused with window", true,
         [&] {
             WriteWebConfig("url=\"127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "\"");
             document.connection.Connect();
         },
         3 * 40, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shell.pumps = 0;
        shell.dialogs.clear();
        shell.createSucceeds = true;
        c.arrange();
        std::unique_ptr<xml::Document> dom;
        Exchange("GetUpdate", {}, c.showDialog, dom);
        EXPECT_EQ(shell.pumps, c.pumps);
        ASSERT_EQ(static_cast<int>(shell.dialogs.size()), c.dialogs);
        if (c.dialogs == 1) {
            EXPECT_EQ(shell.dialogs[0].message, "Waiting for the server");
            EXPECT_EQ(shell.dialogs[0].created, 1);
            EXPECT_EQ(shell.dialogs[0].shown, c.shown);
            EXPECT_EQ(shell.dialogs[0].destroyed, 1);
        }
    }
}

TEST_F(JVSOAP, WithoutAShellNothingIsShownOrPumped) {
    ISoapShell::Install(nullptr);
    server.Enqueue(SoapReply::Result("GetUpdate", "QUJD"));
    std::unique_ptr<xml::Document> dom;
    EXPECT_TRUE(Exchange("GetUpdate", {}, true, dom));
    EXPECT_EQ(shell.pumps, 0);
    EXPECT_TRUE(shell.dialogs.empty());
}

TEST_F(JVSOAP, ACallMadeWhileAnotherPumpsIsRefusedAndTheFirstGoesOn) {
    server.Enqueue(SoapReply::Result("GetUpdate", "first"));
    bool nestedSent = true;
    shell.onPump = [&] {
        // The first pump after the first call's answer has arrived: a page asks for another call.
        if (shell.pumps != 2 * 40 + 1) return;
        std::unique_ptr<xml::Document> dom;
        nestedSent = Exchange("getPartnerText", {}, false, dom);
    };
    std::unique_ptr<xml::Document> dom;
    ASSERT_TRUE(Exchange("GetUpdate", {}, true, dom));
    EXPECT_FALSE(nestedSent);
    EXPECT_EQ(dom->SelectSingleNode("//jv:GetUpdateResult").Text(), "first");
    EXPECT_EQ(server.Calls().size(), 1u);
    EXPECT_EQ(CJVSOAP::CallsInProgress(), 0);
    // Once the first has ended, the next call goes out as usual.
    server.Enqueue(SoapReply::Result("getPartnerText", "second"));
    ASSERT_TRUE(Exchange("getPartnerText", {}, false, dom));
    EXPECT_EQ(dom->SelectSingleNode("//jv:getPartnerTextResult").Text(), "second");
    EXPECT_TRUE(server.Problems().empty());
}

TEST_F(JVSOAP, WithoutAConnectionNothingIsSent) {
    CJVSOAP soap(nullptr);
    soap.BeginCall("GetUpdate");
    EXPECT_FALSE(soap.MakeCall("", false));
    std::unique_ptr<xml::Document> dom;
    EXPECT_FALSE(soap.GetResponse(dom));
    EXPECT_EQ(dom, nullptr);
    EXPECT_TRUE(server.Calls().empty());
}

}  // namespace
}  // namespace jv::test
