#include "mainapp/WindowPlacement.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

int WindowPlacement::Clamped(long long value, int lowest, int highest) {
    return static_cast<int>(std::clamp<long long>(value, lowest, highest));
}

namespace {

// Reads the number at `text` into `out`, a number past what `out` holds as the nearest it holds;
// false when no number is there. `text` is left after the number.
template <typename Number>
bool ReadNumber(const char*& text, Number& out) {
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text) return false;
    // Beyond even long long: strtoll gave the nearest it holds, which clamps the same way.
    out = static_cast<Number>(
        std::clamp<long long>(value, std::numeric_limits<Number>::min(), std::numeric_limits<Number>::max()));
    text = end;
    return true;
}

}  // namespace

bool WindowPlacement::Parse(const std::string& text, WindowPlacement& out) {
    if (text.empty()) return false;
    WindowPlacement read;
    const char* at = text.c_str();
    bool ok = ReadNumber(at, read.flags) && *at++ == ',' && ReadNumber(at, read.showCmd) && *at++ == ',';
    for (int* field : {&read.minX, &read.minY, &read.maxX, &read.maxY, &read.left, &read.top, &read.right}) {
        ok = ok && ReadNumber(at, *field) && *at++ == ',';
    }
    // What follows the tenth number is not looked at.
    if (!ok || !ReadNumber(at, read.bottom)) return false;
    out = read;
    return true;
}

std::string WindowPlacement::Format() const {
    char text[160];
    std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", flags, showCmd, minX, minY, maxX, maxY, left, top,
                  right, bottom);
    return text;
}
