#include "mainapp/UpdateCheck.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

TEST(UpdateCheck, TheInstallerLineQuotesThePackageAndEndsWithCrLf) {
    const struct {
        const char* package;
        const char* text;
    } cases[] = {
        {"/tmp/Jorvane Setup 2.0.msi", "msiexec /qn /i \"/tmp/Jorvane Setup 2.0.msi\" JVUPDATE=TRUE\r\n"},
        {"/tmp/jv.msi", "msiexec /qn /i \"/tmp/jv.msi\" JVUPDATE=TRUE\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(CUpdateCheck::InstallerFileText(c.package), c.text);
    EXPECT_EQ(CUpdateCheck::InstallerFilePath("/tmp/JVUpdate-a1b2c3/Jorvane Setup 2.0.msi"),
              "/tmp/JVUpdate-a1b2c3/JVInstaller.bat");
}

TEST(UpdateCheck, TheInstallerIsTheConfiguredProgramOrTheDesktopsHandler) {
    EXPECT_EQ(CUpdateCheck::InstallerCommand("/opt/jorvane/install update", "/tmp/a b.msi"),
              (std::vector<std::string>{"/opt/jorvane/install update", "/tmp/a b.msi", "JVUPDATE=TRUE"}));
    EXPECT_EQ(CUpdateCheck::InstallerCommand("", "/tmp/a b.msi"),
              (std::vector<std::string>{"xdg-open", "/tmp/a b.msi"}));
}

TEST(UpdateCheck, TheFailedDownloadMessageLinksOnlyWebAddressesAndShowsThemAsText) {
    const struct {
        const char* url;
        const char* shown;
    } cases[] = {
        {"https://www.jorvane.example/get?a=1&b=2",
         "<a target=\"_blank\" href=\"https://www.jorvane.example/get?a=1&amp;b=2\" style=\"color:blue;\">"
         "https://www.jorvane.example/get?a=1&amp;b=2</a>"},
        {"HTTP://x.example/\"><script>",
         "<a target=\"_blank\" href=\"HTTP://x.example/&#34;&gt;&lt;script&gt;\" "
         "style=\"color:blue;\">HTTP://x.example/&#34;&gt;&lt;script&gt;</a>"},
        {"javascript:alert(1)", "<br/><br/>javascript:alert(1)<br/><br/>"},
        {"file:///etc/passwd", "<br/><br/>file:///etc/passwd<br/><br/>"},
    };
    for (const auto& c : cases) {
        const std::string message = CUpdateCheck::DownloadFailedMessage(c.url);
        EXPECT_NE(message.find(c.shown), std::string::npos) << message;
        EXPECT_EQ(message.find("<script"), std::string::npos) << message;
    }
    EXPECT_EQ(CUpdateCheck::DownloadFailedMessage("javascript:alert(1)").find("<a "), std::string::npos);
}

}  // namespace
