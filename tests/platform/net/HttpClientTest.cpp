#include "platform/net/HttpClient.h"

#include <gtest/gtest.h>

#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TestSupport.h"

using jv::net::HttpClient;
using jv::net::HttpRequest;
using jv::test::CannedResponse;
using jv::test::LoopbackHttpServer;
using jv::test::RecordedRequest;
using jv::test::ScopedEnv;

namespace {

// Every test talks to 127.0.0.1 only, whatever proxy the machine is set up with.
class HttpClientTest : public ::testing::Test {
protected:
    ScopedEnv noProxy_{"no_proxy", "127.0.0.1,localhost"};
    ScopedEnv noProxyUpper_{"NO_PROXY", "127.0.0.1,localhost"};
    HttpClient client_;
};

TEST_F(HttpClientTest, PostsBodyAndHeadersInOrderAndReturnsTheAnswer) {
    LoopbackHttpServer server([](const RecordedRequest&) {
        CannedResponse response;
        response.status = 201;
        response.headers = {{"X-Answer", "  yes "}};
        response.body = "created";
        return response;
    });
    HttpRequest request;
    request.url = server.Url("/fogbugz/scoutsubmit.asp");
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}, {"SOAPAction", "\"urn:x\""}};
    request.body = "a=1&b=%20";

    const auto response = client_.Send(request);

    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(response.body, "created");
    EXPECT_EQ(response.headers.at("x-answer"), "yes");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/fogbugz/scoutsubmit.asp");
    EXPECT_EQ(requests[0].body, "a=1&b=%20");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("SOAPAction"), "\"urn:x\"");
    EXPECT_EQ(requests[0].Header("Expect"), "");
    EXPECT_EQ(requests[0].Header("Authorization"), "");
}

TEST_F(HttpClientTest, MethodsAndBasicAuthentication) {
    LoopbackHttpServer server;
    struct Case {
        const char* method;
        const char* user;
        const char* password;
        const char* authorization;
    };
    const Case cases[] = {
        {"GET", "", "", ""},
        {"POST", "fleet", "s3cret", "Basic ZmxlZXQ6czNjcmV0"},
        {"PUT", "", "", ""},
    };
    for (const Case& c : cases) {
        HttpRequest request;
        request.method = c.method;
        request.url = server.Url("/x");
        request.user = c.user;
        request.password = c.password;
        EXPECT_EQ(client_.Send(request).status, 200) << c.method;
        const RecordedRequest last = server.Requests().back();
        EXPECT_EQ(last.method, c.method);
        EXPECT_EQ(last.Header("Authorization"), c.authorization) << c.method;
    }
}

TEST_F(HttpClientTest, AnHttpErrorStatusIsAnAnswerNotAFailure) {
    LoopbackHttpServer server([](const RecordedRequest&) {
        CannedResponse response;
        response.status = 500;
        response.body = "broken";
        return response;
    });
    HttpRequest request;
    request.url = server.Url("/");
    const auto response = client_.Send(request);
    EXPECT_EQ(response.status, 500);
    EXPECT_EQ(response.body, "broken");
}

TEST_F(HttpClientTest, ResponseSizeCap) {
    struct Case {
        size_t bodySize;
        bool sendLength;
        bool fails;
    };
    const Case cases[] = {
        {1000, true, false},
        {1000, false, false},
        {1001, true, true},
        {100000, false, true},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server([&c](const RecordedRequest&) {
            CannedResponse response;
            response.body.assign(c.bodySize, 'x');
            response.sendLength = c.sendLength;
            return response;
        });
        HttpRequest request;
        request.url = server.Url("/");
        request.maxResponseBytes = 1000;
        if (c.fails) {
            EXPECT_THROW(client_.Send(request), jv::PlatformError) << c.bodySize;
        } else {
            EXPECT_EQ(client_.Send(request).body.size(), c.bodySize);
        }
    }
}

TEST_F(HttpClientTest, TransportFailuresThrow) {
    // A server that accepts the request but never answers in time.
    LoopbackHttpServer silent([](const RecordedRequest&) {
        CannedResponse response;
        response.delayMs = 30000;
        return response;
    });
    struct Case {
        std::string url;
        bool requestNotMade;
    };
    const Case cases[] = {
        {silent.Url("/"), false},
        {"http://127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "/", false},
        {"ftp://127.0.0.1/file", true},
        {"http://[127.0.0.1/", true},
    };
    for (const Case& c : cases) {
        HttpRequest request;
        request.url = c.url;
        request.connectTimeoutMs = 2000;
        request.totalTimeoutMs = 300;
        try {
            client_.Send(request);
            ADD_FAILURE() << c.url << " did not fail";
        } catch (const jv::PlatformError& error) {
            EXPECT_FALSE(error.description().empty());
            EXPECT_EQ(jv::net::IsRequestNotMade(error), c.requestNotMade) << c.url << ": " << error.what();
        }
    }
}

TEST_F(HttpClientTest, HeaderWithLineBreakIsRefused) {
    LoopbackHttpServer server;
    HttpRequest request;
    request.url = server.Url("/");
    request.headers = {{"X-Note", "a\r\nInjected: yes"}};
    EXPECT_THROW(client_.Send(request), jv::PlatformError);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpClientTest, FollowsTheSystemProxySettings) {
    LoopbackHttpServer proxy;
    LoopbackHttpServer target;
    ScopedEnv httpProxy("http_proxy", proxy.Url("/"));
    struct Case {
        const char* noProxy;
        bool viaProxy;
    };
    const Case cases[] = {{"", true}, {"127.0.0.1", false}};
    for (const Case& c : cases) {
        ScopedEnv noProxy("no_proxy", c.noProxy);
        ScopedEnv noProxyUpper("NO_PROXY", c.noProxy);
        HttpRequest request;
        request.url = target.Url("/report");
        client_.Send(request);
        const auto& via = c.viaProxy ? proxy : target;
        ASSERT_FALSE(via.Requests().empty()) << c.noProxy;
        EXPECT_EQ(via.Requests().back().target, c.viaProxy ? target.Url("/report") : "/report");
    }
    EXPECT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(target.Requests().size(), 1u);
}

}  // namespace
