#include "platform/ui/host/SessionGuard.h"

#include <gtest/gtest.h>

namespace jv::ui::host {
namespace {

using Verdict = SessionGuard::Verdict;

std::string CookieOf(const SessionGuard& guard) {
    const std::string header = guard.SetCookieHeader();
    return header.substr(0, header.find(';'));
}

std::string TicketOf(const SessionGuard& guard) {
    const std::string url = guard.OpenUrl();
    return url.substr(url.find("t=") + 2);
}

TEST(SessionGuard, JudgesEveryRequestOnHostOriginAndCookie) {
    SessionGuard guard;
    guard.SetPort(4567);
    const std::string cookie = CookieOf(guard);
    const std::string host = "127.0.0.1:4567";
    const std::string origin = "http://127.0.0.1:4567";
    struct Case {
        const char* what;
        SessionGuard::Request request;
        Verdict expected;
    };
    const Case cases[] = {
        {"page with the cookie", {"GET", "/141", "", host, std::nullopt, cookie, false}, Verdict::Allow},
        {"cookie among others",
         {"GET", "/", "", host, std::nullopt, "a=b; " + cookie + "; c=d", false},
         Verdict::Allow},
        {"same origin", {"GET", "/141", "", host, origin, cookie, false}, Verdict::Allow},
        {"host in capitals", {"GET", "/", "", "127.0.0.1:4567", std::nullopt, cookie, false}, Verdict::Allow},
        {"no cookie", {"GET", "/141", "", host, std::nullopt, std::nullopt, false}, Verdict::Forbidden},
        {"wrong cookie", {"GET", "/141", "", host, std::nullopt, "jvsession=00", false}, Verdict::Forbidden},
        {"cookie of another name", {"GET", "/", "", host, std::nullopt, "x" + cookie, false}, Verdict::Forbidden},
        {"localhost", {"GET", "/", "", "localhost:4567", std::nullopt, cookie, false}, Verdict::Forbidden},
        {"another host", {"GET", "/", "", "evil.example:4567", std::nullopt, cookie, false}, Verdict::Forbidden},
        {"another port", {"GET", "/", "", "127.0.0.1:80", std::nullopt, cookie, false}, Verdict::Forbidden},
        {"no host", {"GET", "/", "", std::nullopt, std::nullopt, cookie, false}, Verdict::Forbidden},
        {"another origin", {"GET", "/", "", host, "http://evil.example", cookie, false}, Verdict::Forbidden},
        {"null origin", {"GET", "/", "", host, "null", cookie, false}, Verdict::Forbidden},
        {"socket from our page", {"GET", "/jv/ws", "", host, origin, cookie, true}, Verdict::Allow},
        {"socket from another origin",
         {"GET", "/jv/ws", "", host, "http://evil.example", cookie, true},
         Verdict::Forbidden},
        {"socket without origin", {"GET", "/jv/ws", "", host, std::nullopt, cookie, true}, Verdict::Forbidden},
        {"socket without cookie", {"GET", "/jv/ws", "", host, origin, std::nullopt, true}, Verdict::Forbidden},
        {"post", {"POST", "/141", "", host, origin, cookie, false}, Verdict::NotAllowed},
        {"open without ticket", {"GET", "/jv/open", "", host, std::nullopt, std::nullopt, false}, Verdict::Forbidden},
        {"open with a wrong ticket",
         {"GET", "/jv/open", "t=abc", host, std::nullopt, std::nullopt, false},
         Verdict::Forbidden},
    };
    for (const auto& c : cases) EXPECT_EQ(guard.Judge(c.request), c.expected) << c.what;
    EXPECT_FALSE(guard.TicketSpent());
}

TEST(SessionGuard, HandsTheSessionOverExactlyOnce) {
    SessionGuard guard;
    guard.SetPort(4567);
    SessionGuard::Request open{"GET",        "/jv/open", "t=" + TicketOf(guard), "127.0.0.1:4567", std::nullopt,
                               std::nullopt, false};
    EXPECT_EQ(guard.Judge(open), Verdict::HandOver);
    EXPECT_TRUE(guard.TicketSpent());
    EXPECT_EQ(guard.Judge(open), Verdict::Forbidden);

    // The ticket is not the secret: it never admits anything else.
    SessionGuard::Request page{
        "GET", "/", "", "127.0.0.1:4567", std::nullopt, std::string("jvsession=") + TicketOf(guard), false};
    EXPECT_EQ(guard.Judge(page), Verdict::Forbidden);
}

TEST(SessionGuard, CookieIsHttpOnlyStrictAndSecretsDifferPerRun) {
    SessionGuard first;
    SessionGuard second;
    const std::string header = first.SetCookieHeader();
    EXPECT_NE(header.find("HttpOnly"), std::string::npos);
    EXPECT_NE(header.find("SameSite=Strict"), std::string::npos);
    EXPECT_NE(header.find("Path=/"), std::string::npos);
    EXPECT_EQ(CookieOf(first).size(), std::string("jvsession=").size() + 64);
    EXPECT_NE(CookieOf(first), CookieOf(second));
    EXPECT_NE(TicketOf(first), TicketOf(second));
    EXPECT_EQ(header.find(TicketOf(first)), std::string::npos);
}

TEST(SessionGuard, RefusesEverythingBeforeItKnowsItsPort) {
    SessionGuard guard;
    EXPECT_EQ(guard.Judge({"GET", "/", "", "127.0.0.1:0", std::nullopt, CookieOf(guard), false}), Verdict::Forbidden);
}

}  // namespace
}  // namespace jv::ui::host
