#pragma once

#include <string>
#include <vector>

#include "mainapp/pages/JVGraphPoint.h"

namespace jv::ui {
class Element;
}

// A line graph drawn in plain HTML: a title band, a column of value labels, a grid with the points
// and the lines between them (rows of small boxes along the longer axis), the dates below and an
// optional legend. The caller sets the series and the settings, then renders into an element: the
// whole graph goes in with one assignment of its inner HTML. Every text is escaped.
class HtmlGraph {
public:
    // The value axis: its ends, the step between labels and the pixels they take.
    struct Scale {
        float min = 0.0f;
        float max = 0.0f;
        float magnitude = 1.0f;      // the power of ten of the largest value
        float step = 1.0f;           // between two value labels
        float pixelsPerUnit = 0.0f;  // of value
        int tickSpacing = 0;         // pixels between two value labels
        int plotBottom = 0;          // the lowest y a point may take
    };
    // The date axis: one tick every `step` units ("week", "month" or "year"), `count` + 1 ticks.
    struct DateTicks {
        const char* unit = "week";
        int step = 1;
        int count = 0;
    };
    // One box of a drawn line, in pixels.
    struct Box {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Box&) const = default;
    };

    bool autoMinimum = true;  // the value axis starts at the smallest value, else at 0
    bool lines = true;        // consecutive points are joined
    bool valueLabels = true;  // each point's value beside it, its date in its tooltip
    bool average = true;      // the running average as a line with a legend entry
    bool legend = false;      // a legend at the right, kLegendWidth pixels wide
    std::string title;
    int titleHeight = 50;
    std::string yCaption;  // beside the value axis and in the legend
    int yAxisWidth = 75;
    int height = 300;
    int width = 550;
    std::string xCaption;
    int xAxisHeight = 50;
    std::string lineColour = "black";
    int lineWidth = 1;
    std::string averageColour = "blue";
    int averageWidth = 1;
    int pointSize = 4;
    std::string tooFewMessage = "Jorvane doesn't yet have enough data to draw this graph.";
    const std::vector<JVGraphPoint>* points = nullptr;  // the caller's, in date order

    // The graph's HTML; the too-few message in the frame when there are fewer than 3 points.
    std::string Build() const;
    // Puts Build() into the element as its inner HTML.
    void Render(jv::ui::Element* element) const;

    // The value axis for values between minValue and maxValue over plotHeight pixels. All values
    // equal still give an axis of some height around them.
    static Scale MakeScale(float minValue, float maxValue, bool autoMinimum, int plotHeight);
    // The date ticks for a span of `days` days (first to last point, both counted).
    static DateTicks MakeDateTicks(int days);
    // The decimals of the value labels for the axis's largest value: none above 100, one above 10,
    // else two.
    static int LabelDecimals(float max);
    // Whole days from one date to another (half a second nudged away from zero, then truncated).
    static int WholeDays(const jv::DateTime& from, const jv::DateTime& to);

    // The room a date label of the x axis takes, its gap to the next included.
    static constexpr int kDateLabelWidth = 72;
    // The room kept at the right for the legend; it holds the series' caption and "Average".
    static constexpr int kLegendWidth = 84;
    // Every how many ticks a label is shown so that labels at these lefts (in order) are at least
    // labelWidth apart: 1 when all fit.
    static int LabelStride(const std::vector<int>& lefts, int labelWidth);

    // The pixels of a line from (x1, y1) to (x2, y2), one per step along the longer axis, both ends
    // included; a line of no length is its start.
    static std::vector<Box> LinePixels(int x1, int y1, int x2, int y2);
    // The same pixels, each `thickness` wide, with straight runs joined into one box.
    static std::vector<Box> LineBoxes(int thickness, int x1, int y1, int x2, int y2);
    // The HTML of a line: one span per box.
    static std::string DrawLine(int thickness, const std::string& colour, int x1, int y1, int x2, int y2,
                                const std::string& title);

private:
    std::string BuildTooFew() const;
};
