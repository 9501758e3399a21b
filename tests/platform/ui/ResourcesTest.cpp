#include "platform/ui/Resources.h"

#include <gtest/gtest.h>

#include "platform/ui/Document.h"
#include "tests/support/TestSupport.h"

const jv::ui::ResourceTable& TestPageResources();

using jv::ui::Resources;

namespace {

// The files compiled in by the build's resource generator come back byte for byte by id.
TEST(Resources, CompiledFilesAreFoundByIdByteForByte) {
    Resources::ClearForTesting();
    ASSERT_TRUE(Resources::Install(TestPageResources()));
    const std::string folder = std::string(JV_TEST_SOURCE_DIR) + "/resources/";

    const jv::ui::Resource* page = Resources::Find(300);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->text(), jv::test::ReadFile(folder + "page.html"));
    EXPECT_STREQ(page->mimeType, "text/html; charset=utf-8");
    EXPECT_STREQ(page->name, "page.html");

    const jv::ui::Resource* image = Resources::Find(301);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->text(), jv::test::ReadFile(folder + "dot.gif"));
    EXPECT_STREQ(image->mimeType, "image/gif");

    EXPECT_EQ(Resources::Find(302), nullptr);
    EXPECT_FALSE(Resources::Install(TestPageResources())) << "the same ids twice";

    const auto document = Resources::LoadDocument(300, "res://Test.exe/300");
    ASSERT_TRUE(document);
    EXPECT_EQ(document->title(), "Compiled Page");
    EXPECT_EQ(document->getElementById("text")->innerText(), "caf\xC3\xA9 & cr\xC3\xA8me");
    EXPECT_EQ(Resources::LoadDocument(999, "res://Test.exe/999"), nullptr);
    Resources::ClearForTesting();
}

TEST(Resources, ThePageIdComesFromTheLastPartOfTheAddress) {
    const struct {
        const char* url;
        int id;
    } cases[] = {
        {"res://Jorvane.exe/141", 141},
        {"res://Jorvane.exe/177?{5F8A-11/22}", 177},
        {"http://127.0.0.1:5000/res/2000", 2000},
        {"res://Jorvane.exe/", 0},
        {"141", 141},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Resources::IdFromUrl(c.url), c.id) << c.url;
}

}  // namespace
