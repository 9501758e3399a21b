#include "mainapp/net/UpdateNet.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "mainapp/UpdateCheck.h"
#include "mainapp/net/HttpConnector.h"
#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "shared/core/FileVersion.h"
#include "tests/mainapp/net/NetTest.h"

namespace jv::test {
namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

using UpdateNet = NetTest;

// True when path is `name` in a download's own folder, directly in the temporary folder.
bool InDownloadFolder(const std::string& path, const std::string& name) {
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.parent_path();
    return folder.parent_path() == std::filesystem::path(jv::paths::TempDir()) &&
           folder.filename().string().rfind("JVUpdate-", 0) == 0 && file.filename() == name;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

std::string Strings(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& text : texts) out += "<string>" + text + "</string>";
    return out;
}

TEST_F(UpdateNet, TheConstructorAsksTheDocumentForAConnection) {
    {
        CUpdateNet update;
        EXPECT_EQ(update.m_pConn, &document.connection);
    }
    EXPECT_EQ(document.reasons, std::vector<std::string>{"to search for available updates."});

    document.refuse = true;
    CUpdateNet refused;
    EXPECT_EQ(refused.m_pConn, nullptr);
    EXPECT_NE(Trace().find("CUpdateNet::CUpdateNet"), std::string::npos);
    std::string path, url;
    EXPECT_FALSE(refused.isUpdateAvailable(path, url));
    EXPECT_FALSE(refused.getUpdate("setup.msi", path));
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(UpdateNet, AnUpdateIsAvailableWhenTheServiceNamesAPackage) {
    struct Case {
        std::vector<std::string> strings;
        bool available;
        std::string path;
        std::string url;
    };
    const Case cases[] = {
        {{"JorvaneSetup-2.1.msi", "http://updates.test/2.1"}, true, "JorvaneSetup-2.1.msi", "http://updates.test/2.1"},
        {{"", "http://updates.test/none"}, false, "", "http://updates.test/none"},
        {{"JorvaneSetup-2.1.msi"}, false, "before", "before"},
        {{"a", "b", "c"}, false, "before", "before"},
        {{}, false, "before", "before"},
    };
    std::string version;
    GetJVShortVersion(version);
    CUpdateNet update;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strings.size());
        server.Enqueue(SoapReply::Result("IsUpdateAvailable", Strings(c.strings)));
        std::string path = "before", url = "before";
        EXPECT_EQ(update.isUpdateAvailable(path, url), c.available);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(url, c.url);
        ASSERT_FALSE(server.Calls().empty());
        EXPECT_EQ(server.Calls().back().soapMethod, "IsUpdateAvailable");
        EXPECT_EQ(server.Calls().back().parameters, (Parameters{{"strVersion", version}, {"strRegistrationCode", ""}}));
    }
    EXPECT_TRUE(server.Problems().empty()) << ::testing::PrintToString(server.Problems());

    server.Enqueue(SoapReply::Result("SomethingElse", ""));
    std::string path, url;
    EXPECT_FALSE(update.isUpdateAvailable(path, url));
    EXPECT_NE(Trace().find("pnodeResult == NULL"), std::string::npos);
}

// "No update" is an answer of the service; a call that got none is told apart from it.
TEST_F(UpdateNet, TheServiceAnsweredOnlyWhenItsAnswerCouldBeRead) {
    struct Case {
        const char* what;
        SoapReply reply;
        bool answered;
    };
    const Case cases[] = {
        {"an update", SoapReply::Result("IsUpdateAvailable", Strings({"setup.msi", "http://u.test/"})), true},
        {"no update", SoapReply::Result("IsUpdateAvailable", Strings({"", ""})), true},
        {"a fault", SoapReply::Fault("soap:Server", "down"), false},
        {"an error page", SoapReply::Status(502, "<html><body>Bad Gateway</body></html>", "text/html"), false},
        {"no result", SoapReply::Envelope("<nothing/>"), false},
    };
    CUpdateNet update;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.Enqueue(c.reply);
        std::string path, url;
        update.isUpdateAvailable(path, url);
        EXPECT_EQ(update.ServiceAnswered(), c.answered);
    }
    // Nobody at the address.
    WriteWebConfig("url=\"127.0.0.1:9\" protocol=\"http\"");
    document.connection.Disconnect();
    CUpdateNet unreachable;
    std::string path, url;
    EXPECT_FALSE(unreachable.isUpdateAvailable(path, url));
    EXPECT_FALSE(unreachable.ServiceAnswered());
}

TEST_F(UpdateNet, TheDownloadIsSavedInAPrivateFolderOfItsOwnUnderItsLastName) {
    struct Case {
        std::string fileName;
        std::string base64;
        std::string savedAs;  // in the temporary folder
        std::string contents;
    };
    const Case cases[] = {
        {"JorvaneSetup.msi", "SGVsbG8sIHVwZGF0ZSE=", "JorvaneSetup.msi", "Hello, update!"},
        {"updates\\2.1\\Setup21.msi", "SGk=", "Setup21.msi", "Hi"},
        {"updates/2.1/Setup-b.msi", "SGk\nh", "Setup-b.msi", "Hi!"},
        {"../../etc/evil.msi", "AAEC/w==", "evil.msi", std::string("\0\1\2\xff", 4)},
        {"Jorvane_Setup-2.1.msi", "SGk=", "Jorvane_Setup-2.1.msi", "Hi"},
    };
    std::string version;
    GetJVShortVersion(version);
    CUpdateNet update;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        server.Enqueue(SoapReply::Result("GetUpdate", c.base64));
        std::string localPath;
        EXPECT_TRUE(update.getUpdate(c.fileName, localPath));
        EXPECT_TRUE(InDownloadFolder(localPath, c.savedAs)) << localPath;
        EXPECT_EQ(ReadFile(localPath), c.contents);
        struct stat info {};
        ASSERT_EQ(::stat(localPath.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        ASSERT_EQ(::lstat(jv::paths::DirName(localPath).c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(server.Calls().back().parameters, (Parameters{{"strVersion", version}, {"strFileName", c.fileName}}));
    }
    EXPECT_TRUE(server.Problems().empty()) << ::testing::PrintToString(server.Problems());
    // The download shows the status window.
    ASSERT_EQ(shell.dialogs.size(), std::size(cases));
    EXPECT_EQ(shell.dialogs[0].message,
              "Jorvane is downloading the update.<br/><br/>It should just take a few moments.");
}

TEST_F(UpdateNet, ADownloadNeverWritesOutsideItsOwnNewFile) {
    CUpdateNet update;

    // A name that is no plain file name is refused before anything is downloaded: it would stand
    // in the install line and on the installer's command line.
    for (const std::string name :
         {"..", "updates/", "a\\..", "Setup\".msi", "a;b.msi", "$(x).msi", "Setup'.msi", "S\xc3\xa9tup.msi"}) {
        SCOPED_TRACE(name);
        std::string localPath = "before";
        EXPECT_FALSE(update.getUpdate(name, localPath));
        EXPECT_TRUE(localPath.empty());
        EXPECT_NE(Trace().find("Failed to create file for installer.  Message: \"" + name + "\" is not a file name"),
                  std::string::npos);
    }
    EXPECT_TRUE(server.Calls().empty());

    // Whatever someone has put into the shared temporary folder under the package's name (a link,
    // a file, a folder) is neither written to nor used.
    const std::string victim = home.dir().File("victim.txt");
    WriteFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), (TempFolder() + "/Setup.msi").c_str()), 0);
    WriteFile(TempFolder() + "/Other.msi", "planted");
    std::filesystem::create_directories(TempFolder() + "/Blocked.msi/inside");
    for (const std::string name : {"Setup.msi", "Other.msi", "Blocked.msi"}) {
        SCOPED_TRACE(name);
        server.Enqueue(SoapReply::Result("GetUpdate", "SGk="));
        std::string localPath;
        EXPECT_TRUE(update.getUpdate(name, localPath));
        EXPECT_TRUE(InDownloadFolder(localPath, name)) << localPath;
        EXPECT_EQ(ReadFile(localPath), "Hi");
    }
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(ReadFile(TempFolder() + "/Other.msi"), "planted");

    // So with the install line: it goes into a new file beside the package, whatever stands under
    // its name in the temporary folder; a file already there is never written through.
    const std::string plantedBatch = TempFolder() + "/JVInstaller.bat";
    ASSERT_EQ(::symlink(victim.c_str(), plantedBatch.c_str()), 0);
    std::string package;
    server.Enqueue(SoapReply::Result("GetUpdate", "SGk="));
    ASSERT_TRUE(update.getUpdate("Setup.msi", package));
    ASSERT_TRUE(CUpdateCheck::WriteInstallerFile(package));
    const std::string batch = CUpdateCheck::InstallerFilePath(package);
    EXPECT_EQ(batch, jv::paths::DirName(package) + "/JVInstaller.bat");
    EXPECT_EQ(ReadFile(batch), CUpdateCheck::InstallerFileText(package));
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink(plantedBatch));
    WriteFile(batch, "someone else's");
    EXPECT_FALSE(CUpdateCheck::WriteInstallerFile(package));
    EXPECT_EQ(ReadFile(batch), "someone else's");
    EXPECT_NE(Trace().find("Failed to create batch file for installer.  Message: File exists"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(TempFolder() + "/Blocked.msi/inside"));

    // Every download has a folder of its own: an earlier one is left as it is.
    std::string first, second;
    server.Enqueue(SoapReply::Result("GetUpdate", "SGk="));
    EXPECT_TRUE(update.getUpdate("Setup.msi", first));
    server.Enqueue(SoapReply::Result("GetUpdate", "SG8="));
    EXPECT_TRUE(update.getUpdate("Setup.msi", second));
    EXPECT_NE(jv::paths::DirName(first), jv::paths::DirName(second));
    EXPECT_EQ(ReadFile(first), "Hi");
    EXPECT_EQ(ReadFile(second), "Ho");

    // No answer, no file.
    server.Enqueue(SoapReply::Fault("soap:Server", "no such package"));
    std::string localPath = "before";
    EXPECT_FALSE(update.getUpdate("Missing.msi", localPath));
    EXPECT_EQ(localPath, "before");
    EXPECT_FALSE(std::filesystem::exists(TempFolder() + "/Missing.msi"));
}

// The package is never handed to a shell: a name with spaces, as some services give, is taken as
// it is. Quotes (the install line quotes the path), control characters and a leading dot (a
// hidden file, or a folder's own names) are refused before anything is downloaded.
TEST_F(UpdateNet, APackageNameMayHoldSpacesButNoQuotesControlCharactersOrLeadingDot) {
    struct Case {
        std::string fileName;
        std::string savedAs;  // empty: refused
    };
    const Case cases[] = {
        {"Jorvane Setup 2.1.msi", "Jorvane Setup 2.1.msi"},
        {"updates/Jorvane Setup 2.1.msi", "Jorvane Setup 2.1.msi"},
        {"updates\\2 1\\ Setup  21 .msi", " Setup  21 .msi"},
        {"Jorvane \"Setup\" 2.1.msi", ""},
        {"Jorvane 'Setup' 2.1.msi", ""},
        {"updates/Jorvane Setup/", ""},
        {"Jorvane\tSetup.msi", ""},
        {"Jorvane Setup.msi\n", ""},
        {"Jorvane\rSetup.msi", ""},
        {std::string("Jorvane\0Setup.msi", 17), ""},
        {"Jorvane\x7fSetup.msi", ""},
        {".Jorvane Setup.msi", ""},
        {"updates/.msi", ""},
        {".", ""},
        {"..", ""},
    };
    CUpdateNet update;
    size_t downloads = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        std::string localPath = "before";
        if (c.savedAs.empty()) {
            const size_t told = Occurrences(Trace(), "\" is not a file name");
            EXPECT_FALSE(update.getUpdate(c.fileName, localPath));
            EXPECT_TRUE(localPath.empty());
            EXPECT_EQ(Occurrences(Trace(), "\" is not a file name"), told + 1);
            continue;
        }
        server.Enqueue(SoapReply::Result("GetUpdate", "SGk="));
        ++downloads;
        EXPECT_TRUE(update.getUpdate(c.fileName, localPath));
        EXPECT_TRUE(InDownloadFolder(localPath, c.savedAs)) << localPath;
        EXPECT_EQ(ReadFile(localPath), "Hi");
    }
    EXPECT_EQ(server.Calls().size(), downloads);
}

// An answer that holds no package is no download: nothing is left for an installer to start on.
TEST_F(UpdateNet, AnEmptyOrBrokenPackageIsNotDownloaded) {
    const char* const answers[] = {"", "   \r\n", "@@@@", "SGVsb", "SGk=SGVsbG"};
    CUpdateNet update;
    for (const char* answer : answers) {
        SCOPED_TRACE(answer);
        server.Enqueue(SoapReply::Result("GetUpdate", answer));
        std::string localPath = "before";
        EXPECT_FALSE(update.getUpdate("Setup.msi", localPath));
        EXPECT_EQ(localPath, "before");
    }
    EXPECT_NE(Trace().find("The package from the service is empty or is not Base64: nothing was downloaded"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(TempFolder()));
    EXPECT_EQ(server.Calls().size(), std::size(answers));
}

// An installer is larger than any other answer of the service: it is written as it arrives and is
// not bound by the answer cap of the other calls; a failed download leaves no file behind.
TEST_F(UpdateNet, AnInstallerLargerThanOtherAnswersIsStreamedToItsFile) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const size_t packageBytes = 20u * 1024 * 1024;
    std::string package(packageBytes, '\0');
    for (size_t i = 0; i < package.size(); ++i) package[i] = static_cast<char>((i * 7919u) >> 5);
    std::string base64;
    base64.reserve(packageBytes / 3 * 4 + 80);
    for (size_t i = 0; i + 2 < package.size(); i += 3) {
        const unsigned bits = (static_cast<unsigned char>(package[i]) << 16) |
                              (static_cast<unsigned char>(package[i + 1]) << 8) |
                              static_cast<unsigned char>(package[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) base64 += kAlphabet[(bits >> shift) & 63];
        if (i % 57 == 54) base64 += "\r\n";
    }
    package.resize(packageBytes / 3 * 3);
    ASSERT_GT(base64.size(), CHttpConnector::MaxAnswerBytes());

    CUpdateNet update;
    server.Enqueue(SoapReply::Result("GetUpdate", base64));
    std::string localPath;
    ASSERT_TRUE(update.getUpdate("Big_Setup.msi", localPath)) << Trace();
    EXPECT_TRUE(InDownloadFolder(localPath, "Big_Setup.msi")) << localPath;
    EXPECT_TRUE(ReadFile(localPath) == package);

    server.Enqueue(SoapReply::Fault("soap:Server", "no such package"));
    EXPECT_FALSE(update.getUpdate("Other.msi", localPath));
    size_t folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TempFolder()))
        folders += entry.path().filename().string().rfind("JVUpdate-", 0) == 0 ? 1 : 0;
    EXPECT_EQ(folders, 1u) << "only the whole download's folder stays";
}

TEST_F(UpdateNet, ThePartnerTextFallsBackToTheStoredOne) {
    Profile("Jorvane").WriteProfileString("Settings", "PartnerMsg", "stored partner text");
    CUpdateNet update;
    server.Enqueue(SoapReply::Result("getPartnerText", "Fresh text &amp; more"));
    EXPECT_EQ(update.getPartnerText("acme", "north"), "Fresh text & more");
    ASSERT_EQ(server.Calls().size(), 1u);
    EXPECT_EQ(server.Calls()[0].parameters, (Parameters{{"strPartner", "acme"}, {"strSubPartner", "north"}}));

    server.Enqueue(SoapReply::Fault("soap:Server", "down"));
    EXPECT_EQ(update.getPartnerText("acme", "north"), "stored partner text");
    server.Enqueue(SoapReply::Result("other", ""));
    EXPECT_EQ(update.getPartnerText("acme", "north"), "stored partner text");
    EXPECT_NE(Trace().find("pnodeResult == NULL"), std::string::npos);
    server.Enqueue(SoapReply::Status(404, "gone"));
    EXPECT_EQ(update.getPartnerText("acme", "north"), "stored partner text");

    document.refuse = true;
    document.connection.Disconnect();
    CUpdateNet offline;
    EXPECT_EQ(offline.getPartnerText("acme", "north"), "stored partner text");
    EXPECT_EQ(server.Calls().size(), 4u);
    EXPECT_TRUE(server.Problems().empty()) << ::testing::PrintToString(server.Problems());
}

}  // namespace
}  // namespace jv::test
