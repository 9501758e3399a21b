#include "platform/desktop/SafeWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "tests/support/TestSupport.h"

using jv::desktop::SafeFormat;
using jv::desktop::SafeWriter;

namespace {

using Formatter = std::function<size_t(char*, size_t)>;

void ExpectSameAsSnprintf(const char* what, const Formatter& ours, const Formatter& library) {
    for (const size_t size : {size_t{256}, size_t{6}, size_t{1}}) {
        char expected[256];
        char actual[256];
        std::memset(actual, 'x', sizeof actual);
        const size_t fullLength = library(expected, size);
        const size_t length = ours(actual, size);
        EXPECT_STREQ(actual, expected) << what << " in " << size << " bytes";
        EXPECT_EQ(length, std::min(fullLength, size - 1)) << what << " in " << size << " bytes";
    }
}

#define EXPECT_FORMATS_LIKE_SNPRINTF(...)                                                         \
    ExpectSameAsSnprintf(                                                                         \
        #__VA_ARGS__, [&](char* out, size_t size) { return SafeFormat(out, size, __VA_ARGS__); }, \
        [&](char* out, size_t size) { return static_cast<size_t>(std::snprintf(out, size, __VA_ARGS__)); })

TEST(SafeFormat, FormatsLikeSnprintf) {
    const char* noText = "";
    EXPECT_FORMATS_LIKE_SNPRINTF("plain text, 100%% sure");
    EXPECT_FORMATS_LIKE_SNPRINTF("%d %d %d %i", 0, -1, INT_MAX, INT_MIN);
    EXPECT_FORMATS_LIKE_SNPRINTF("%u %x %X %08x", 4000000000u, 0xbeefu, 0xbeefu, 0xc0000005u);
    EXPECT_FORMATS_LIKE_SNPRINTF("%04x:%08lx", 0x33u, 0x55dc56243529ul);
    EXPECT_FORMATS_LIKE_SNPRINTF("%016llX|%lld|%llu", 0x7fffULL, LLONG_MIN, ULLONG_MAX);
    EXPECT_FORMATS_LIKE_SNPRINTF("%ld %lu %zu", LONG_MIN, ULONG_MAX, size_t{42});
    EXPECT_FORMATS_LIKE_SNPRINTF("[%-10d] [%-10lld] [%5d] [%05d] [%-5s] [%5s]", 42, -7LL, -42, -42, "ab", "ab");
    EXPECT_FORMATS_LIKE_SNPRINTF("%.197s|%.3s|%s|%c", "Jorvane Inc.", "abcdef", noText, 'Z');
    EXPECT_FORMATS_LIKE_SNPRINTF("%hd %hu %hhd %hhu", static_cast<short>(-2), static_cast<unsigned short>(65535),
                                 static_cast<signed char>(-3), static_cast<unsigned char>(250));
    EXPECT_FORMATS_LIKE_SNPRINTF("%d/%d/%d %02d:%02d:%02d", 12, 9, 2026, 5, 7, 8);
}

TEST(SafeWriter, WritesEverythingThroughItsFixedBuffer) {
    jv::test::TempDir dir;
    const std::string path = dir.File("log.txt");
    std::string expected;
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        SafeWriter writer(fd);
        // Many times the buffer, in pieces that do not divide it evenly.
        for (int i = 0; i < 3000; ++i) {
            writer.Printf("Module %d\r\nImage Base: 0x%08x\r\n", i, static_cast<unsigned>(i * 4096));
            char line[64];
            std::snprintf(line, sizeof line, "Module %d\r\nImage Base: 0x%08x\r\n", i, static_cast<unsigned>(i * 4096));
            expected += line;
        }
        writer.Write(std::string(SafeWriter::kCapacity + 3, 'z').c_str());
        expected += std::string(SafeWriter::kCapacity + 3, 'z');
        EXPECT_TRUE(writer.Flush());
        close(fd);
    }
    EXPECT_EQ(jv::test::ReadFile(path), expected);

    SafeWriter broken(-1);
    broken.Write("lost");
    EXPECT_FALSE(broken.Flush());
    EXPECT_TRUE(broken.failed());
}

}  // namespace
