#include "platform/base/BrowserVersion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BrowserVersion, NamesTheBrowserOfAUserAgentHeader) {
    const struct {
        const char* userAgent;
        const char* expected;
    } cases[] = {
        {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36",
         "Chrome 120.0.0.0"},
        {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) HeadlessChrome/131.0.6778.85 "
         "Safari/537.36",
         "Chrome 131.0.6778.85"},
        {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 "
         "Edg/120.0.2210.91",
         "Edge 120.0.2210.91"},
        {"Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0", "Firefox 121.0"},
        {"Mozilla/5.0 (Macintosh) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.2 Safari/605.1.15",
         "Safari 17.2"},
        {"curl/8.5.0", ""},
        {"XChrome/1.0 Chrome/", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        char buffer[128];
        EXPECT_EQ(std::string(jv::BrowserVersion::Parse(c.userAgent, buffer, sizeof buffer)), c.expected)
            << c.userAgent;
    }
    char tiny[8];
    EXPECT_EQ(jv::BrowserVersion::Parse("Chrome/120.0.0.0", tiny, sizeof tiny), "") << "a text that does not fit";
}

TEST(BrowserVersion, TheFirstHeaderThatNamesABrowserIsKept) {
    EXPECT_EQ(jv::BrowserVersion::Known(), nullptr);
    jv::BrowserVersion::Learn("curl/8.5.0");
    EXPECT_EQ(jv::BrowserVersion::Known(), nullptr);
    jv::BrowserVersion::Learn("Mozilla/5.0 Chrome/120.0.0.0 Safari/537.36");
    jv::BrowserVersion::Learn("Mozilla/5.0 Firefox/121.0");
    ASSERT_NE(jv::BrowserVersion::Known(), nullptr);
    EXPECT_STREQ(jv::BrowserVersion::Known(), "Chrome 120.0.0.0");
}

}  // namespace
