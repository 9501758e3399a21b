#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/base/Spawn.h"
#include "tests/support/TestSupport.h"

TEST(Profile, KeepsValuesAcrossObjectsInItsOwnFile) {
    jv::test::IsolatedHome home;
    {
        jv::Profile profile("Jorvane");
        EXPECT_EQ(profile.GetProfileInt("Settings", "SelectedCar", -1), -1);
        EXPECT_TRUE(profile.WriteProfileInt("Settings", "SelectedCar", 3));
        EXPECT_TRUE(profile.WriteProfileString("Settings", "Footer", "Drive safely; check tyres"));
    }
    jv::Profile again("Jorvane");
    EXPECT_EQ(again.path(), home.ConfigHome() + "/Jorvane Inc/Jorvane.ini");
    EXPECT_EQ(again.GetProfileInt("Settings", "SelectedCar", -1), 3);
    EXPECT_EQ(again.GetProfileString("Settings", "Footer"), "Drive safely; check tyres");
    EXPECT_EQ(again.GetProfileString("Other", "Missing", "dflt"), "dflt");
    EXPECT_TRUE(again.WriteProfileString("Settings", "Footer", "x"));
    EXPECT_EQ(again.GetProfileInt("Settings", "Footer", 7), 7);
}

TEST(Profile, AFileThatDoesNotReadBackWholeIsKeptBeforeAWrite) {
    jv::test::IsolatedHome home;
    jv::Profile profile("Jorvane");
    const std::string edited = "[Settings]\nSelectedCar=4\nthis line was typed by hand\nPartnerMsg=hello\n";
    jv::test::WriteFile(profile.path(), edited);
    EXPECT_EQ(profile.GetProfileInt("Settings", "SelectedCar", -1), 4);

    ASSERT_TRUE(profile.WriteProfileInt("Settings", "SelectedCar", 5));
    EXPECT_EQ(jv::test::ReadFile(profile.path() + ".bad"), edited);
    EXPECT_EQ(profile.GetProfileInt("Settings", "SelectedCar", -1), 5);
    // A file that reads back whole is simply updated.
    ASSERT_TRUE(profile.WriteProfileString("Settings", "Footer", "x"));
    EXPECT_EQ(jv::test::ReadFile(profile.path() + ".bad"), edited);
    EXPECT_EQ(profile.GetProfileInt("Settings", "SelectedCar", -1), 5);
}

TEST(Paths, FoldersComeFromTheEnvironmentAndAreCreated) {
    jv::test::IsolatedHome home;
    EXPECT_EQ(jv::paths::LocalAppData(), home.LocalAppData());
    EXPECT_EQ(jv::paths::CommonAppData(), home.CommonAppData());
    EXPECT_EQ(jv::paths::Documents(), home.Documents());
    EXPECT_EQ(jv::paths::Join("/a/", "Jorvane\\user.data"), "/a/Jorvane/user.data");
    const std::string deep = home.LocalAppData() + "/Jorvane/Jorvane/x";
    EXPECT_TRUE(jv::paths::MakeSureDirectoryPathExists(deep));
    struct stat st {};
    ASSERT_EQ(stat(deep.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

// What may be named as the user's file: a plain file, or nothing yet (the program makes it); every
// other kind of thing is said so.
TEST(Paths, SaysWhyAPathIsNoPlainFile) {
    jv::test::TempDir dir;
    jv::test::WriteFile(dir.File("plain"), "data");
    ASSERT_EQ(symlink(dir.File("plain").c_str(), dir.File("to-plain").c_str()), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.File("loop-b").c_str(), dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("loop-a").c_str(), dir.File("loop-b").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("gone").c_str(), dir.File("dangling").c_str()), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.File("socket");
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(sock);
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {dir.File("plain"), ""},
        {dir.File("to-plain"), ""},
        {dir.File("missing"), ""},
        {dir.File("folder"), "it is a folder, not a file"},
        {dir.File("fifo"), "it is a named pipe (FIFO), not a file"},
        {socketPath, "it is a socket, not a file"},
        {"/dev/zero", "it is a device, not a file"},
        {dir.File("loop-a"), "it is a link that leads round in a loop, never to a file"},
        {dir.File("dangling"), "it is a link to something that is not there"},
    };
    for (const auto& c : cases) EXPECT_EQ(jv::paths::WhyNotAPlainFile(c.path), c.why) << c.path;
}

TEST(Spawn, PassesArgumentsWithoutAShell) {
    jv::test::TempDir dir;
    std::string output;
    // A shell would expand the variable and run the second command.
    EXPECT_EQ(jv::process::Run({"printf", "%s", "$HOME; touch " + dir.File("pwned")}, &output), 0);
    EXPECT_EQ(output, "$HOME; touch " + dir.File("pwned"));
    EXPECT_FALSE(jv::paths::FileExists(dir.File("pwned")));
    std::string error;
    EXPECT_EQ(jv::process::Run({"/nonexistent/program"}, nullptr, &error), -1);
    EXPECT_FALSE(error.empty());
}
