#include "mainapp/pages/RegisterRows.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using registerrows::Segment;

// The register's body as a short text: "gap 0+5" for a gap of 5 entries from entry 0, "5" for
// entry 5 built as rows.
std::string Text(const std::vector<Segment>& segments) {
    std::string text;
    for (const Segment& segment : segments) {
        if (!text.empty()) text += ", ";
        text += segment.built ? std::to_string(segment.first)
                              : "gap " + std::to_string(segment.first) + "+" + std::to_string(segment.count);
    }
    return text;
}

TEST(RegisterRows, EntriesNotBuiltBecomeOneGapPerRunAndTheGapsCountEveryEntry) {
    struct Case {
        size_t total;
        std::vector<size_t> built;
        const char* expected;
    };
    const Case cases[] = {
        {0, {}, ""},
        {3, {}, "gap 0+3"},
        {3, {0, 1, 2}, "0, 1, 2"},
        // The latest entries of a long register, as it opens.
        {30000, {29998, 29999}, "gap 0+29998, 29998, 29999"},
        // Scrolled to the oldest, the selected entry kept near the end.
        {100, {0, 1, 2, 97}, "0, 1, 2, gap 3+94, 97, gap 98+2"},
        // A lone entry in the middle.
        {10, {4}, "gap 0+4, 4, gap 5+5"},
        // Duplicates and indices past the end (an entry deleted meanwhile) are left out.
        {5, {1, 1, 3, 7}, "gap 0+1, 1, gap 2+1, 3, gap 4+1"},
    };
    for (const Case& c : cases) {
        const std::vector<Segment> segments = registerrows::Segments(c.total, c.built);
        EXPECT_EQ(Text(segments), c.expected) << c.total;
        size_t counted = 0;
        for (const Segment& segment : segments) {
            EXPECT_EQ(segment.first, counted);
            counted += segment.count;
        }
        EXPECT_EQ(counted, c.total);
    }
}

TEST(RegisterRows, TheEntriesBuiltForAViewReachAMarginBeyondItAndNoFurtherThanTheRegister) {
    struct Case {
        long first, last;
        size_t margin, most, total;
        std::pair<size_t, size_t> expected;
    };
    const Case cases[] = {
        // In the middle: the margin on both sides.
        {100, 115, 30, 300, 30000, {70, 146}},
        // At either end.
        {0, 15, 30, 300, 30000, {0, 46}},
        {29985, 29999, 30, 300, 30000, {29955, 30000}},
        // A view past the ends (a script that measured a taller body) is taken as the nearest entries.
        {-20, -5, 30, 300, 100, {0, 31}},
        {150, 160, 30, 300, 100, {69, 100}},
        // Given the other way round.
        {115, 100, 30, 300, 30000, {70, 146}},
        // A view taller than may be built: around its middle.
        {0, 999, 30, 300, 30000, {349, 649}},
        {29000, 29999, 30, 300, 30000, {29349, 29649}},
        // Small registers are built whole; an empty one not at all.
        {0, 3, 30, 300, 4, {0, 4}},
        {0, 0, 30, 300, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(registerrows::Window(c.first, c.last, c.margin, c.most, c.total), c.expected)
            << c.first << ".." << c.last << " of " << c.total;
    }
}

}  // namespace
