#include "platform/base/FileHolders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestSupport.h"

namespace {

using jv::files::FileId;
using jv::files::Holder;

TEST(FileHolders, TheLockTableNamesEachOtherHolderOfTheFileOnce) {
    const std::vector<FileId> files = {{0xfe, 0x00, 10954907}, {0xfe, 0x00, 5309305}};
    struct Case {
        const char* what;
        const char* table;
        std::vector<std::pair<int, bool>> holders;  // pid, writes
    };
    const Case cases[] = {
        {"a writer of the file",
         "18: POSIX  ADVISORY  WRITE 2285 fe:00:10954907 1073741824 1073742335\n",
         {{2285, true}}},
        {"a reader of the file, then a writer of its second file",
         "1: POSIX  ADVISORY  READ 2353 fe:00:10954907 1073741826 1073742335\n"
         "2: POSIX  ADVISORY  WRITE 2400 fe:00:5309305 120 120\n",
         {{2353, false}, {2400, true}}},
        {"one program's locks counted once, writing if any writes",
         "1: POSIX  ADVISORY  READ 2353 fe:00:5309305 123 123\n"
         "2: POSIX  ADVISORY  WRITE 2353 fe:00:5309305 120 120\n",
         {{2353, true}}},
        {"other files, this program, waiting requests and lines that do not read",
         "1: POSIX  ADVISORY  WRITE 2285 fe:01:10954907 0 EOF\n"
         "2: POSIX  ADVISORY  WRITE 2285 fe:00:10954908 0 EOF\n"
         "3: POSIX  ADVISORY  WRITE 77 fe:00:10954907 0 EOF\n"
         "3: -> POSIX  ADVISORY  WRITE 2500 fe:00:10954907 0 EOF\n"
         "4: OFDLCK ADVISORY  WRITE -1 fe:00:10954907 0 EOF\n"
         "garbage\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<int, bool>> found;
        for (const Holder& holder : jv::files::HoldersIn(c.table, files, 77))
            found.emplace_back(holder.pid, holder.writes);
        EXPECT_EQ(found, c.holders);
    }
}

TEST(FileHolders, TheUserHearsOfTheWritersOrElseOfTheReaders) {
    struct Case {
        std::vector<Holder> holders;
        const char* said;
    };
    const Case cases[] = {
        {{}, ""},
        {{{12, "sqlite3", true}, {13, "jvsystemtray", false}}, "sqlite3 (process 12)"},
        {{{13, "jvsystemtray", false}, {14, "", false}}, "jvsystemtray (process 13), a program (process 14)"},
    };
    for (const Case& c : cases) EXPECT_EQ(jv::files::Describe(c.holders), c.said);
}

// A real lock of another process on a real file.
TEST(FileHolders, AnotherProcessHoldingALockOnTheFileIsFoundByItsName) {
    jv::test::TempDir dir;
    const std::string path = dir.File("user.data");
    jv::test::WriteFile(path, "data");
    EXPECT_TRUE(jv::files::Holders({path, dir.File("missing")}).empty());
    int holding[2];
    int letGo[2];
    ASSERT_EQ(pipe(holding), 0);
    ASSERT_EQ(pipe(letGo), 0);
    jv::test::ChildProcess other([&] {
        prctl(PR_SET_NAME, "otherprogram");
        const int fd = open(path.c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 1073741824;
        lock.l_len = 1;
        if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) return 1;
        if (write(holding[1], "h", 1) != 1) return 2;
        char answer = 0;
        return read(letGo[0], &answer, 1) == 1 ? 0 : 3;
    });
    pollfd watch{holding[0], POLLIN, 0};
    ASSERT_EQ(poll(&watch, 1, 5000), 1);
    const std::vector<Holder> holders = jv::files::Holders({path});
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, other.pid());
    EXPECT_EQ(holders[0].program, "otherprogram");
    EXPECT_TRUE(holders[0].writes);
    EXPECT_EQ(write(letGo[1], "g", 1), 1);
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_TRUE(jv::files::Holders({path}).empty());
    for (const int fd : {holding[0], holding[1], letGo[0], letGo[1]}) close(fd);
}

}  // namespace
