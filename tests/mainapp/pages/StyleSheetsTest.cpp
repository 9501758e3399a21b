#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "mainapp/MainAppResources.h"
#include "platform/ui/Resources.h"
#include "shared/ui/SharedUi.h"

namespace {

// Where the rules of a style sheet go wrong: "" when every rule is closed before the next opens
// (several pages add sections to the shared sheet; a merge that interleaves two of them leaves a
// rule open, and the browser then ignores everything after it).
// Rules inside an at-rule (the margin boxes of @page, the rules of @media) are no fault.
std::string RuleProblem(std::string_view css) {
    int depth = 0;
    int line = 1;
    bool inAtRule = false;
    size_t prelude = 0;  // where the text before the next brace begins
    for (size_t i = 0; i < css.size(); ++i) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            if (end == std::string_view::npos) return "an unclosed comment at line " + std::to_string(line);
            for (size_t j = i; j < end; ++j) line += css[j] == '\n';
            i = end + 1;
            prelude = i + 1;
            continue;
        }
        const char c = css[i];
        if (c == '\n') ++line;
        if (c == '{') {
            const std::string_view before = css.substr(prelude, i - prelude);
            const size_t start = before.find_first_not_of(" \t\r\n");
            if (depth == 0) inAtRule = start != std::string_view::npos && before[start] == '@';
            if (++depth > (inAtRule ? 2 : 1)) return "a rule opened inside another at line " + std::to_string(line);
        }
        if (c == '}' && --depth < 0) return "a closing brace without a rule at line " + std::to_string(line);
        if (c == '{' || c == '}' || c == ';') prelude = i + 1;
    }
    return depth == 0 ? "" : "a rule left open at the end";
}

}  // namespace

TEST(StyleSheets, EveryRuleOfEveryStyleSheetIsClosedBeforeTheNext) {
    EXPECT_EQ(RuleProblem("a { b: c; }\n/* { */\nd { e: f; }"), "");
    EXPECT_EQ(RuleProblem("a { b: c;\nd { e: f; }"), "a rule opened inside another at line 2");
    EXPECT_EQ(RuleProblem("@page { margin: 0;\n@top-left { content: \"\"; } }\na { b: c; }"), "");
    EXPECT_EQ(RuleProblem("@media print { a { b: c;\nd { e: f; } }"), "a rule opened inside another at line 2");
    for (const jv::ui::ResourceTable* table : {&SharedUiResources(), &MainAppResources()}) {
        for (size_t i = 0; i < table->count; ++i) {
            const jv::ui::Resource& resource = table->entries[i];
            if (!std::string_view(resource.name).ends_with(".css")) continue;
            EXPECT_EQ(RuleProblem(resource.text()), "") << resource.name;
        }
    }
}
