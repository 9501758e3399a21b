#include "mainapp/pages/HtmlGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/base/NumberText.h"
#include "platform/ui/Element.h"
#include "platform/ui/HtmlEscape.h"
#include "shared/core/NumberUtils.h"

namespace {

// A pixel position from a computed number; what is not finite counts as 0, the rest is clamped to
// the int range before it is truncated.
int ToInt(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double kLimit = 1e9;
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

std::string Px(int value) {
    return std::to_string(value) + "px";
}

std::string Escape(const std::string& text) {
    return jv::ui::EscapeHtml(text);
}

std::string Value(float value, int decimals) {
    return jv::number::FormatFixed(std::isfinite(value) ? value : 0.0, decimals);
}

// The opening of the graph: the wrapper and the title band.
std::string Opening(int width, int height, int titleHeight, const std::string& title) {
    return "<div style=\"position:absolute; top:0px; left:0px; width:" + Px(width) + "; height:" + Px(height) +
           ";\" class=graph><div style=\"height:" + Px(titleHeight) + ";\" align=center class=graphTitle>" +
           Escape(title) + "</div>";
}

}  // namespace

int HtmlGraph::WholeDays(const jv::DateTime& from, const jv::DateTime& to) {
    const double days = to - from;
    constexpr double kHalfSecond = 0.5 / 86400.0;
    return ToInt(days >= 0 ? days + kHalfSecond : days - kHalfSecond);
}

int HtmlGraph::LabelDecimals(float max) {
    if (max > 100.0f) return 0;
    if (max > 10.0f) return 1;
    return 2;
}

HtmlGraph::Scale HtmlGraph::MakeScale(float minValue, float maxValue, bool autoMinimum, int plotHeight) {
    Scale scale;
    scale.max = std::isfinite(maxValue) ? maxValue : 0.0f;
    scale.min = autoMinimum && std::isfinite(minValue) ? minValue : 0.0f;
    // The power of ten of the largest value (1 when there is no positive value to take it from).
    float m = 1.0f;
    if (scale.max > 0.0f) m = std::pow(10.0f, std::floor(std::log10(scale.max)));
    if (!(m > 0.0f) || !std::isfinite(m)) m = 1.0f;
    scale.magnitude = m;
    if (std::fmod(scale.max, m) == 0.0f) scale.max += m;
    if (m > 1.0f) {
        scale.min = std::floor(scale.min / m) * m;
        scale.max = std::ceil(scale.max / m) * m;
    }
    // All values equal (or a minimum above the maximum): an axis of one magnitude around them.
    if (!(scale.max > scale.min)) {
        const float middle = scale.max;
        scale.min = middle - m / 2.0f;
        scale.max = middle + m / 2.0f;
        if (minValue >= 0.0f && scale.min < 0.0f) {
            scale.min = 0.0f;
            scale.max = m;
        }
    }
    const float range = scale.max - scale.min;
    scale.pixelsPerUnit = static_cast<float>(plotHeight) / range;
    const float s = m / 10.0f;
    const float wanted = range * 0.125f;
    if (s >= wanted)
        scale.step = s;
    else if (wanted <= 2.0f * s)
        scale.step = 2.0f * s;
    else if (wanted <= 5.0f * s)
        scale.step = 5.0f * s;
    else
        scale.step = m;
    // The ends lie on whole steps, so that every label is a whole number of steps (1, 2 or 5 times a
    // power of ten) and not an odd value left over from the data.
    const float steps = range / scale.step;
    const float below = std::floor(scale.min / scale.step + 1e-3f);
    const float above = std::ceil(scale.max / scale.step - 1e-3f);
    if (std::isfinite(below) && std::isfinite(above) && std::fabs(steps) < 1e6f) {
        scale.min = below * scale.step;
        scale.max = above * scale.step;
        scale.pixelsPerUnit = static_cast<float>(plotHeight) / (scale.max - scale.min);
    }
    scale.tickSpacing = ToInt(scale.step * scale.pixelsPerUnit + 0.5f);
    scale.plotBottom = ToInt((scale.max - scale.min) / scale.step * static_cast<float>(scale.tickSpacing));
    return scale;
}

HtmlGraph::DateTicks HtmlGraph::MakeDateTicks(int days) {
    struct Row {
        int below;  // for spans shorter than this
        const char* unit;
        int step;
        int daysPerTick;
    };
    static constexpr Row kRows[] = {
        {42, "week", 1, 7},    {84, "week", 2, 14},    {180, "month", 1, 30},   {360, "month", 2, 60},
        {546, "month", 3, 91}, {732, "month", 4, 122}, {1098, "month", 6, 183},
    };
    DateTicks ticks{"year", 1, std::max(days, 0) / 365};
    for (const Row& row : kRows) {
        if (days < row.below) {
            ticks = DateTicks{row.unit, row.step, std::max(days, 0) / row.daysPerTick};
            break;
        }
    }
    return ticks;
}

int HtmlGraph::LabelStride(const std::vector<int>& lefts, int labelWidth) {
    const int count = static_cast<int>(lefts.size());
    for (int stride = 1; stride < count; ++stride) {
        bool fits = true;
        for (int i = stride; i < count && fits; i += stride) fits = lefts[i] - lefts[i - stride] >= labelWidth;
        if (fits) return stride;
    }
    return std::max(count, 1);
}

std::vector<HtmlGraph::Box> HtmlGraph::LinePixels(int x1, int y1, int x2, int y2) {
    const float dx = static_cast<float>(std::abs(x2 - x1));
    const float dy = static_cast<float>(std::abs(y2 - y1));
    float stepX = 0.0f;
    float stepY = 0.0f;
    if (dy < dx) {
        stepX = x1 < x2 ? 1.0f : -1.0f;
        stepY = (y1 < y2 ? dy : -dy) / dx;
    } else {
        stepY = y1 < y2 ? 1.0f : -1.0f;
        // A line of no length has no slope: it stays on its start.
        stepX = dy > 0.0f ? (x1 < x2 ? dx : -dx) / dy : 0.0f;
    }
    std::vector<Box> pixels;
    pixels.reserve(static_cast<size_t>(std::max(dx, dy)) + 1);
    float x = static_cast<float>(x1);
    float y = static_cast<float>(y1);
    const float endX = static_cast<float>(x2);
    const float endY = static_cast<float>(y2);
    while ((stepX > 0 && x <= endX) || (stepX < 0 && x >= endX) || (stepY > 0 && y <= endY) ||
           (stepY < 0 && y >= endY)) {
        pixels.push_back(Box{ToInt(x + 0.5f), ToInt(y + 0.5f), 1, 1});
        x += stepX;
        y += stepY;
    }
    return pixels;
}

std::vector<HtmlGraph::Box> HtmlGraph::LineBoxes(int thickness, int x1, int y1, int x2, int y2) {
    std::vector<Box> boxes;
    const int w = std::max(thickness, 1);
    bool open = false;
    Box run;
    int lastX = 0;
    int lastY = 0;
    for (const Box& pixel : LinePixels(x1, y1, x2, y2)) {
        if (open) {
            const bool vertical = pixel.left == lastX && run.width == w && std::abs(pixel.top - lastY) == 1;
            const bool horizontal = pixel.top == lastY && run.height == w && std::abs(pixel.left - lastX) == 1;
            if (vertical) {
                run.top = std::min(run.top, pixel.top);
                run.height += 1;
            } else if (horizontal) {
                run.left = std::min(run.left, pixel.left);
                run.width += 1;
            }
            if (vertical || horizontal) {
                lastX = pixel.left;
                lastY = pixel.top;
                continue;
            }
            boxes.push_back(run);
        }
        run = Box{pixel.left, pixel.top, w, w};
        lastX = pixel.left;
        lastY = pixel.top;
        open = true;
    }
    if (open) boxes.push_back(run);
    return boxes;
}

std::string HtmlGraph::DrawLine(int thickness, const std::string& colour, int x1, int y1, int x2, int y2,
                                const std::string& title) {
    std::string html;
    const std::string tail = "background:" + Escape(colour) + ";\"" +
                             (title.empty() ? std::string() : " title=\"" + Escape(title) + "\"") + "></span>";
    for (const Box& box : LineBoxes(thickness, x1, y1, x2, y2)) {
        html += "<span class=graphline style=\"left:" + Px(box.left) + "; top:" + Px(box.top) +
                "; width:" + Px(box.width) + "; height:" + Px(box.height) + "; " + tail;
    }
    return html;
}

std::string HtmlGraph::BuildTooFew() const {
    return Opening(width, height, titleHeight, title) + "<div style=\"position:absolute; top:" + Px(titleHeight) +
           "; left:" + Px(yAxisWidth) + "; width:" + Px(width - yAxisWidth) +
           "; height:" + Px(height - xAxisHeight - titleHeight) + ";\" class=grid><div style=\"margin:10px;\">" +
           Escape(tooFewMessage) + "</div></div></div>";
}

std::string HtmlGraph::Build() const {
    if (points == nullptr || points->size() < 3) return BuildTooFew();
    const std::vector<JVGraphPoint>& series = *points;

    const int plotWidth = width - yAxisWidth - (legend ? kLegendWidth : 0);
    const int plotHeight = height - titleHeight - xAxisHeight;
    float largest = -1.0f;
    float smallest = std::numeric_limits<float>::max();
    for (const JVGraphPoint& point : series) {
        if (!std::isfinite(point.Value)) continue;
        largest = std::max(largest, point.Value);
        smallest = std::min(smallest, point.Value);
    }
    const Scale scale = MakeScale(smallest, largest, autoMinimum, plotHeight);
    const int decimals = LabelDecimals(scale.max);

    const jv::DateTime first = series.front().Date;
    const int span = std::abs(WholeDays(first, series.back().Date)) + 1;
    const float pixelsPerDay = static_cast<float>(plotWidth - 10) / static_cast<float>(span);
    const DateTicks ticks = MakeDateTicks(span);

    std::string html = Opening(width, height, titleHeight, title);
    html.reserve(series.size() * 400 + 4096);

    // The value labels.
    html += "<div style=\"position:absolute; top:" + Px(titleHeight) + "; left:0px; width:" + Px(yAxisWidth) +
            "; height:" + Px(plotHeight) +
            ";\"><div style=\"position:absolute; top:0px; left:0px; width:50%; height:100%;\" class=ycaption><br>" +
            Escape(yCaption) + "</div>";
    const float slack = scale.step * 1e-3f;
    int top = -6;
    for (float v = scale.max; v >= scale.min - slack; v -= scale.step) {
        html += "<div style=\"position:absolute; top:" + Px(top) + "; right:0px;\" class=yvalue align=right>" +
                Value(v, decimals) + "</div>";
        top += scale.tickSpacing;
    }
    html += "</div>";

    // The grid with the points and lines.
    html += "<div style=\"position:absolute; top:" + Px(titleHeight) + "; left:" + Px(yAxisWidth) +
            "; width:" + Px(plotWidth) + "; height:" + Px(plotHeight) + ";\" class=grid>";
    for (float v = scale.max; v > scale.min + slack; v -= scale.step)
        html += "<div style=\"height:" + Px(scale.tickSpacing) + ";\" class=gridline></div>";

    const int half = pointSize / 2;
    int previousX = 0;
    int previousY = 0;
    int previousAverage = 0;
    double sum = 0.0;
    for (size_t i = 0; i < series.size(); ++i) {
        const JVGraphPoint& point = series[i];
        const float value = std::isfinite(point.Value) ? point.Value : 0.0f;
        // Each point's place counts from the first one: steps rounded one by one would add up their
        // rounding and pile points that lie closer than a pixel onto the first.
        const int x = ToInt(pixelsPerDay * static_cast<float>(WholeDays(first, point.Date)) + 0.5f);
        const int y = std::min(ToInt(std::ceil((scale.max - value) * scale.pixelsPerUnit)), scale.plotBottom);
        if (average) sum += value;
        // A point that would cover the one drawn before it (the same column, a pixel apart at most)
        // adds nothing to see: many points close together draw as the few the width can show.
        if (i > 0 && i + 1 < series.size() && x == previousX && std::abs(y - previousY) <= 1) continue;
        if (valueLabels) {
            const int labelTop = i % 2 == 0 ? y - half - 14 : y + half + 3;
            html += "<div style=\"position:absolute; height:10px; left:" + Px(x - 2) + "; top:" + Px(labelTop) +
                    ";\" class=xyvalue>" + Value(value, decimals) + "</div>";
        }
        if (lines && i > 0) html += DrawLine(lineWidth, lineColour, previousX, previousY, x, y, "");
        html += "<div style=\"position:absolute; left:" + Px(x - half) + "; top:" + Px(y - half) +
                "; width:" + Px(pointSize) + "; height:" + Px(pointSize) + ";";
        if (!point.Label.empty())
            html += " cursor:pointer;\" onclick=\"document.location='" + Escape(point.Label) + "';\"";
        else
            html += "\"";
        html += " class=point title=\"" + Value(value, decimals);
        if (valueLabels && point.Date.IsValid()) html += "&#10;" + point.Date.Format("%m/%d/%Y");
        html += "\"></div>";
        if (average) {
            const int a = ToInt(std::ceil((scale.max - sum / static_cast<double>(i + 1)) * scale.pixelsPerUnit));
            html += "<div style=\"position:absolute; top:" + Px(a) + "; left:" + Px(x) +
                    "; height:1px;\" class=pointAverage></div>";
            if (i > 0) html += DrawLine(averageWidth, averageColour, previousX, previousAverage, x, a, "average");
            previousAverage = a;
        }
        previousX = x;
        previousY = y;
    }
    html += "</div>";

    // The dates.
    html += "<div style=\"position:absolute; top:" + Px(height - titleHeight) + "; left:" + Px(yAxisWidth) +
            "; height:" + Px(xAxisHeight) + "; width:" + Px(plotWidth) + ";\">";
    std::vector<jv::DateTime> tickDates;
    std::vector<int> lefts;
    for (int n = 0; n <= ticks.count; ++n) {
        jv::DateTime tick = first;
        const int steps = n * ticks.step;
        if (std::string(ticks.unit) == "week")
            tick = first + static_cast<double>(steps) * 7.0;
        else if (std::string(ticks.unit) == "month")
            AddMonths(tick, steps);
        else
            AddYears(tick, steps);
        tickDates.push_back(tick);
        lefts.push_back(RoundDouble(static_cast<double>(WholeDays(first, tick)) * pixelsPerDay));
    }
    // Every tick is marked; its date only where the dates fit side by side without touching.
    const int stride = LabelStride(lefts, kDateLabelWidth);
    for (size_t n = 0; n < lefts.size(); ++n) {
        html += "<div style=\"position:absolute; top:0px; left:" + Px(lefts[n]) + "; height:1px;\" class=xTick></div>";
        if (n % static_cast<size_t>(stride) != 0) continue;
        html += "<div style=\"position:absolute; top:3px; left:" + Px(lefts[n] + 3) + ";\" class=xvalue>" +
                tickDates[n].Format("%m/%d/%Y") + "</div>";
    }
    html += "<div align=center style=\"position:absolute; top:" + Px(xAxisHeight / 2) +
            "; width:100%;\" class=xcaption><h2>" + Escape(xCaption) + "</h2></div></div>";

    if (legend) {
        html += "<div style=\"position:absolute; top:" + Px(height / 2 - 50) +
                "; left:" + Px(width - kLegendWidth + 8) + ";\" class=legend>";
        html += "<div><div style=\"position:absolute; top:5px; left:2px; width:7px; border-top:" + Escape(lineColour) +
                " " + Px(lineWidth) + " solid;\">&nbsp;</div><span style=\"margin-left:15px;\">" + Escape(yCaption) +
                "</span></div>";
        if (average)
            html += "<div><div style=\"position:absolute; width:7px; left:2px; top:20px; border-top:" +
                    Escape(averageColour) + " " + Px(averageWidth) +
                    " solid;\">&nbsp;</div><span style=\"margin-left:15px;\">Average</span></div>";
        html += "</div>";
    }
    html += "</div>";
    return html;
}

void HtmlGraph::Render(jv::ui::Element* element) const {
    if (element != nullptr) element->setInnerHTML(Build());
}
