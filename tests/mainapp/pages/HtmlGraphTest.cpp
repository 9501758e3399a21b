#include "mainapp/pages/HtmlGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

namespace {

using Box = HtmlGraph::Box;

std::vector<JVGraphPoint> Series(const std::vector<std::pair<jv::DateTime, float>>& values,
                                 const std::string& label = "") {
    std::vector<JVGraphPoint> series;
    for (const auto& [date, value] : values) series.emplace_back(date, value, label);
    return series;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(HtmlGraph, ScalesWorkedByHandIncludingEqualValuesAndNoPositiveValue) {
    struct Case {
        const char* name;
        float min, max;
        bool autoMinimum;
        float wantMin, wantMax, wantStep;
        int wantTick, wantBottom;
    } cases[] = {
        // m = 100, min 100, max 700: step 100, 200/600 px per unit, 33 px per step.
        {"total cost 120 to 672", 120, 672, true, 100, 700, 100, 33, 198},
        // max a multiple of m grows by m; from 0: 0 to 60 in steps of 10.
        {"from zero, max on the magnitude", 5, 50, false, 0, 60, 10, 33, 198},
        // three fill-ups at 8.5: an axis of one unit around the value, steps of 0.2.
        {"all values equal", 8.5f, 8.5f, true, 8.0f, 9.0f, 0.2f, 40, 200},
        // 300 three times: m = 100 gives 300 to 400 already.
        {"equal values on the magnitude", 300, 300, true, 300, 400, 20, 40, 200},
        // every value 0: no power of ten to take; the axis is 0 to 1.
        {"all values zero", 0, 0, true, 0, 1, 0.2f, 40, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HtmlGraph::Scale scale = HtmlGraph::MakeScale(c.min, c.max, c.autoMinimum, 200);
        EXPECT_FLOAT_EQ(scale.min, c.wantMin);
        EXPECT_FLOAT_EQ(scale.max, c.wantMax);
        EXPECT_NEAR(scale.step, c.wantStep, 1e-6);
        EXPECT_TRUE(std::isfinite(scale.pixelsPerUnit));
        EXPECT_EQ(scale.tickSpacing, c.wantTick);
        EXPECT_EQ(scale.plotBottom, c.wantBottom);
    }
}

TEST(HtmlGraph, DateTicksLabelsAndWholeDays) {
    struct Ticks {
        int days;
        std::string unit;
        int step, count;
    } ticks[] = {{41, "week", 1, 5},   {42, "week", 2, 3},   {84, "month", 1, 2},   {359, "month", 2, 5},
                 {545, "month", 3, 5}, {731, "month", 4, 5}, {1097, "month", 6, 5}, {1098, "year", 1, 3}};
    for (const Ticks& t : ticks) {
        SCOPED_TRACE(t.days);
        const HtmlGraph::DateTicks got = HtmlGraph::MakeDateTicks(t.days);
        EXPECT_EQ(got.unit, t.unit);
        EXPECT_EQ(got.step, t.step);
        EXPECT_EQ(got.count, t.count);
    }
    EXPECT_EQ(HtmlGraph::LabelDecimals(100.5f), 0);
    EXPECT_EQ(HtmlGraph::LabelDecimals(100.0f), 1);
    EXPECT_EQ(HtmlGraph::LabelDecimals(10.5f), 1);
    EXPECT_EQ(HtmlGraph::LabelDecimals(10.0f), 2);
    EXPECT_EQ(HtmlGraph::WholeDays(jv::DateTime(2026, 1, 1), jv::DateTime(2026, 1, 31, 23, 0, 0)), 30);
    EXPECT_EQ(HtmlGraph::WholeDays(jv::DateTime(2026, 1, 31), jv::DateTime(2026, 1, 1)), -30);
}

TEST(HtmlGraph, LinesStepAlongTheLongerAxisAndJoinStraightRuns) {
    struct Case {
        const char* name;
        int x1, y1, x2, y2;
        std::vector<std::pair<int, int>> pixels;
        std::vector<Box> boxes;  // one pixel thick
    } cases[] = {
        {"horizontal", 0, 5, 3, 5, {{0, 5}, {1, 5}, {2, 5}, {3, 5}}, {{0, 5, 4, 1}}},
        {"backwards", 3, 5, 0, 5, {{3, 5}, {2, 5}, {1, 5}, {0, 5}}, {{0, 5, 4, 1}}},
        {"steep: x steps by a half",
         0,
         0,
         2,
         4,
         {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}},
         {{0, 0, 1, 1}, {1, 1, 1, 2}, {2, 3, 1, 2}}},
        {"no length: its start, no slope", 3, 3, 3, 3, {{3, 3}}, {{3, 3, 1, 1}}},
        {"vertical upwards", 7, 9, 7, 6, {{7, 9}, {7, 8}, {7, 7}, {7, 6}}, {{7, 6, 1, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<int, int>> pixels;
        for (const Box& pixel : HtmlGraph::LinePixels(c.x1, c.y1, c.x2, c.y2))
            pixels.emplace_back(pixel.left, pixel.top);
        EXPECT_EQ(pixels, c.pixels);
        EXPECT_EQ(HtmlGraph::LineBoxes(1, c.x1, c.y1, c.x2, c.y2), c.boxes);
    }
    // A thicker line: each box grows by the thickness.
    EXPECT_EQ(HtmlGraph::LineBoxes(2, 0, 5, 3, 5), (std::vector<Box>{{0, 5, 5, 2}}));
    EXPECT_EQ(HtmlGraph::DrawLine(1, "blue", 3, 3, 3, 3, "average"),
              "<span class=graphline style=\"left:3px; top:3px; width:1px; height:1px; background:blue;\" "
              "title=\"average\"></span>");
}

TEST(HtmlGraph, TooFewPointsShowTheMessageEscaped) {
    HtmlGraph graph;
    graph.title = "Total Cost For <b>Mine</b>";
    graph.tooFewMessage = "More data for <b>Mine</b>.";
    const auto two = Series({{jv::DateTime(2026, 1, 1), 5.0f}, {jv::DateTime(2026, 2, 1), 6.0f}});
    for (const std::vector<JVGraphPoint>* points : {static_cast<const std::vector<JVGraphPoint>*>(nullptr), &two}) {
        graph.points = points;
        const std::string html = graph.Build();
        EXPECT_NE(html.find("top:0px; left:0px; width:550px; height:300px;"), std::string::npos);
        EXPECT_NE(html.find("More data for &lt;b&gt;Mine&lt;/b&gt;."), std::string::npos);
        EXPECT_EQ(html.find("<b>"), std::string::npos);
        EXPECT_EQ(Count(html, "<div"), Count(html, "</div>"));
    }
}

TEST(HtmlGraph, AGraphIsWellFormedWithUnitsOnEveryLengthAndNoNumberThatIsNotOne) {
    struct Case {
        const char* name;
        std::vector<JVGraphPoint> points;
        bool valueLabels, average, legend;
    } cases[] = {
        {"three fill-ups at 8.5",
         Series({{jv::DateTime(2026, 1, 1), 8.5f}, {jv::DateTime(2026, 2, 1), 8.5f}, {jv::DateTime(2026, 3, 1), 8.5f}},
                "175"),
         false, true, true},
        {"three on one day",
         Series({{jv::DateTime(2026, 1, 1), 1.0f}, {jv::DateTime(2026, 1, 1), 2.0f}, {jv::DateTime(2026, 1, 1), 3.0f}}),
         true, false, false},
        {"a year of costs",
         Series({{jv::DateTime(2025, 1, 1), 120.0f},
                 {jv::DateTime(2025, 6, 1), 420.0f},
                 {jv::DateTime(2025, 9, 1), 480.0f},
                 {jv::DateTime(2026, 1, 1), 672.0f}}),
         true, true, false},
    };
    const std::regex length(R"((?:^|[ ;"])(top|left|width|height|right)\s*:\s*([^;"]*))");
    const std::regex titleText(R"re(title="([^"]*)")re");
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        HtmlGraph graph;
        graph.title = "Graph of \"Mine\" <i>";
        graph.valueLabels = c.valueLabels;
        graph.average = c.average;
        graph.legend = c.legend;
        graph.points = &c.points;
        const std::string html = graph.Build();
        EXPECT_EQ(html.find("nan"), std::string::npos);
        EXPECT_EQ(html.find("inf"), std::string::npos);
        EXPECT_EQ(html.find("<i>"), std::string::npos);
        EXPECT_EQ(Count(html, "<div"), Count(html, "</div>"));
        EXPECT_EQ(Count(html, "<span"), Count(html, "</span>"));
        for (auto it = std::sregex_iterator(html.begin(), html.end(), length); it != std::sregex_iterator(); ++it) {
            const std::string value = (*it)[2];
            EXPECT_TRUE(std::regex_match(value, std::regex(R"(-?\d+(px|%))"))) << (*it)[0];
        }
        // Titles hold text only; a point's link target is quoted.
        for (auto it = std::sregex_iterator(html.begin(), html.end(), titleText); it != std::sregex_iterator(); ++it)
            EXPECT_EQ(std::string((*it)[1]).find('<'), std::string::npos);
        if (!c.points.front().Label.empty()) {
            EXPECT_EQ(Count(html, "onclick=\"document.location='175';\""), 3u);
        }
        // The browser reads it back whole: one point box per point.
        auto document = jv::ui::Document::Parse("<div id=Graph>" + html + "</div>", "res://test/1");
        EXPECT_EQ(document->getElementById("Graph")->outerHTML().find("class=\"point\"") != std::string::npos, true);
        EXPECT_EQ(Count(document->getElementById("Graph")->innerHTML(), "class=\"point\""), c.points.size());
    }
}

TEST(HtmlGraph, PointsCloserThanAPixelSpreadOverTheWidth) {
    // Two years of daily costs, half a day apart: each on its own day's place, the last at the right.
    std::vector<JVGraphPoint> points;
    for (int i = 0; i < 1461; ++i) points.emplace_back(jv::DateTime(45000.0 + i * 0.5), static_cast<float>(i), "");
    HtmlGraph graph;
    graph.points = &points;
    graph.valueLabels = false;
    const std::string html = graph.Build();
    // 731 days over 465 pixels: the last point at 464 (its box 2 pixels left of it), and about one
    // place per pixel in between.
    const std::regex pointBox(R"re(left:(-?\d+)px; top:-?\d+px; width:4px; height:4px;" class=point)re");
    std::set<int> places;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), pointBox); it != std::sregex_iterator(); ++it)
        places.insert(std::stoi((*it)[1]));
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(*places.rbegin(), 462);
    EXPECT_EQ(*places.begin(), -2);
    EXPECT_GT(places.size(), 450u);
}

TEST(HtmlGraph, PointsSitWhereWorkedByHand) {
    // 0, 50, 100 over 200 pixels from 0 (m = 100: max 200): 1 px per unit; 30 days apart over
    // (550 - 75 - 10) / 61 px per day.
    const auto points = Series(
        {{jv::DateTime(2026, 1, 1), 0.0f}, {jv::DateTime(2026, 1, 31), 50.0f}, {jv::DateTime(2026, 3, 2), 100.0f}});
    HtmlGraph graph;
    graph.autoMinimum = false;
    graph.valueLabels = false;
    graph.average = false;
    graph.lines = false;
    graph.points = &points;
    const std::string html = graph.Build();
    const int advance = static_cast<int>(465.0f / 61.0f * 30.0f + 0.5f);  // 229
    const int second = static_cast<int>(465.0f / 61.0f * 60.0f + 0.5f);   // 457, not 2 x 229
    EXPECT_NE(html.find("left:-2px; top:198px; width:4px; height:4px;"), std::string::npos) << html;
    EXPECT_NE(html.find("left:" + std::to_string(advance - 2) + "px; top:148px;"), std::string::npos);
    EXPECT_NE(html.find("left:" + std::to_string(second - 2) + "px; top:98px;"), std::string::npos);
}

TEST(HtmlGraph, ValueLabelsAreWholeStepsOfOneTwoOrFiveTimesAPowerOfTen) {
    struct Case {
        const char* name;
        float min, max;
        bool autoMinimum;
        float wantMin, wantMax, wantStep;
    } cases[] = {
        // Below 10 the ends used to stay at the data (9.1, 8.6, 8.1 ... as labels).
        {"fuel economy 7.3 to 9.1", 7.3f, 9.1f, true, 7.0f, 9.5f, 0.5f},
        {"fuel economy 0.31 to 0.47", 0.31f, 0.47f, true, 0.3f, 0.48f, 0.02f},
        {"costs 1234 to 27147", 1234.0f, 27147.0f, true, 0.0f, 30000.0f, 5000.0f},
        {"economy 21.3 to 34.7", 21.3f, 34.7f, true, 20.0f, 40.0f, 5.0f},
        {"from zero to 3.3", 1.0f, 3.3f, false, 0.0f, 3.5f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HtmlGraph::Scale scale = HtmlGraph::MakeScale(c.min, c.max, c.autoMinimum, 200);
        EXPECT_NEAR(scale.min, c.wantMin, 1e-4);
        EXPECT_NEAR(scale.max, c.wantMax, 1e-4);
        EXPECT_NEAR(scale.step, c.wantStep, 1e-6);
    }
    // Whatever the data: the step is 1, 2 or 5 times a power of ten, both ends are whole steps and
    // hold the data, and there are a readable number of labels.
    for (float low : {0.0f, 0.013f, 0.9f, 3.7f, 12.5f, 99.0f, 640.0f, 1234.5f}) {
        for (float spread : {0.01f, 0.4f, 3.0f, 27.0f, 480.0f, 9000.0f}) {
            SCOPED_TRACE(std::to_string(low) + " + " + std::to_string(spread));
            const float high = low + spread;
            const HtmlGraph::Scale scale = HtmlGraph::MakeScale(low, high, true, 200);
            const float power = std::pow(10.0f, std::floor(std::log10(scale.step) + 1e-4f));
            const float mantissa = scale.step / power;
            EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-3 || std::fabs(mantissa - 2) < 1e-3 ||
                        std::fabs(mantissa - 5) < 1e-3)
                << scale.step;
            for (float end : {scale.min, scale.max}) {
                const float steps = end / scale.step;
                EXPECT_NEAR(steps, std::round(steps), 1e-3) << end;
            }
            EXPECT_LE(scale.min, low + 1e-4f);
            EXPECT_GE(scale.max, high - 1e-4f);
            const float labels = (scale.max - scale.min) / scale.step + 1;
            EXPECT_GE(labels, 2.0f - 1e-3f);
            EXPECT_LE(labels, 12.0f);
        }
    }
}

TEST(HtmlGraph, DateLabelsAreThinnedToThoseThatFitSideBySide) {
    struct Case {
        const char* name;
        std::vector<int> lefts;
        int width;
        int wantStride;
    } cases[] = {
        {"none", {}, 72, 1},
        {"one", {0}, 72, 1},
        {"all fit", {0, 80, 160, 240}, 72, 1},
        {"exactly the width apart", {0, 72, 144}, 72, 1},
        {"every other fits", {0, 39, 78, 117, 156}, 72, 2},
        {"months of unequal length: the shortest gap counts", {0, 36, 70, 106, 141, 177}, 72, 3},
        {"a long history: 45 years over 465 pixels", {0, 10, 21, 31, 41, 52, 62, 72, 83, 93}, 72, 7},
        {"two that cannot both be shown", {0, 10}, 72, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HtmlGraph::LabelStride(c.lefts, c.width), c.wantStride);
    }

    // Twelve years of monthly costs: yearly ticks, each marked, their dates far enough apart.
    std::vector<JVGraphPoint> points;
    float total = 0;
    for (int month = 0; month < 12 * 45; ++month) {
        total += 100.0f;
        points.emplace_back(jv::DateTime(1981 + month / 12, month % 12 + 1, 5), total, "");
    }
    HtmlGraph graph;
    graph.valueLabels = false;
    graph.points = &points;
    const std::string html = graph.Build();
    const std::regex label(R"re(left:(-?\d+)px;" class=xvalue>)re");
    std::vector<int> lefts;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), label); it != std::sregex_iterator(); ++it)
        lefts.push_back(std::stoi((*it)[1]));
    ASSERT_GE(lefts.size(), 3u);
    for (size_t i = 1; i < lefts.size(); ++i) EXPECT_GE(lefts[i] - lefts[i - 1], HtmlGraph::kDateLabelWidth);
    EXPECT_EQ(Count(html, "class=xTick"), 45u);
}
