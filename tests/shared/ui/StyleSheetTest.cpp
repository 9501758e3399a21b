#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "shared/ui/SharedUi.h"

namespace {

// The style sheet of every page (resource 176) is written by many hands and merged often: a rule
// that loses its closing brace makes the browser drop every rule after it, so the pages lose their
// look without any error. Every rule must open and close at the top level (or directly inside an
// at-rule such as @media print), none may be empty of declarations because its body went missing,
// and no comment may stay open.
TEST(StyleSheet, EveryRuleOfThePagesStyleSheetIsClosed) {
    const jv::ui::ResourceTable& table = SharedUiResources();
    std::string_view css;
    for (size_t i = 0; i < table.count; ++i)
        if (table.entries[i].id == 176) css = table.entries[i].text();
    ASSERT_FALSE(css.empty());

    int depth = 0;
    int line = 1;
    int openedAt = 0;
    bool group = false;  // the rules are inside an at-rule
    bool declarations = false;
    size_t prelude = 0;  // where the text before the next brace begins
    for (size_t i = 0; i < css.size(); ++i) {
        const char c = css[i];
        if (c == '\n') ++line;
        if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            const size_t end = css.find("*/", i + 2);
            ASSERT_NE(end, std::string_view::npos) << "a comment opened on line " << line << " never closes";
            for (size_t j = i; j < end; ++j) line += css[j] == '\n';
            i = end + 1;
            prelude = i + 1;
            continue;
        }
        if (c == '{') {
            const std::string_view before = css.substr(prelude, i - prelude);
            const size_t start = before.find_first_not_of(" \t\r\n");
            if (depth == 0 && start != std::string_view::npos && before[start] == '@') {
                group = true;
            } else {
                ASSERT_EQ(depth, group ? 1 : 0)
                    << "the rule opened on line " << openedAt << " is not closed before line " << line;
                openedAt = line;
                declarations = false;
            }
            ++depth;
        } else if (c == '}') {
            ASSERT_GT(depth, 0) << "a closing brace without a rule on line " << line;
            if (depth == (group ? 2 : 1)) {
                EXPECT_TRUE(declarations) << "the rule opened on line " << openedAt << " has no declarations";
            }
            if (--depth == 0) group = false;
        } else if (c == ':' && depth == (group ? 2 : 1)) {
            declarations = true;
        }
        if (c == '{' || c == '}' || c == ';') prelude = i + 1;
    }
    EXPECT_EQ(depth, 0) << "the rule opened on line " << openedAt << " is not closed";
}

}  // namespace
