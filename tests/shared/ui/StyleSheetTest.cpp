#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "shared/ui/SharedUi.h"

namespace {

// The style sheet of every page (resource 176) is written by many hands and merged often: a rule
// that loses its closing brace makes the browser drop every rule after it, so the pages lose their
// look without any error. Every rule must open and close at the top level, none may be empty of
// declarations because its body went missing, and no comment may stay open.
TEST(StyleSheet, EveryRuleOfThePagesStyleSheetIsClosed) {
    const jv::ui::ResourceTable& table = SharedUiResources();
    std::string_view css;
    for (size_t i = 0; i < table.count; ++i)
        if (table.entries[i].id == 176) css = table.entries[i].text();
    ASSERT_FALSE(css.empty());

    int depth = 0;
    int line = 1;
    int openedAt = 0;
    bool declarations = false;
    for (size_t i = 0; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '\n') ++line;
        if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            const size_t end = css.find("*/", i + 2);
            ASSERT_NE(end, std::string_view::npos) << "a comment opened on line " << line << " never closes";
            for (size_t j = i; j < end; ++j) line += css[j] == '\n';
            i = end + 1;
            continue;
        }
        if (c == '{') {
            ASSERT_EQ(depth, 0) << "the rule opened on line " << openedAt << " is not closed before line " << line;
            depth = 1;
            openedAt = line;
            declarations = false;
        } else if (c == '}') {
            ASSERT_EQ(depth, 1) << "a closing brace without a rule on line " << line;
            EXPECT_TRUE(declarations) << "the rule opened on line " << openedAt << " has no declarations";
            depth = 0;
        } else if (c == ':' && depth == 1) {
            declarations = true;
        }
    }
    EXPECT_EQ(depth, 0) << "the rule opened on line " << openedAt << " is not closed";
}

}  // namespace
