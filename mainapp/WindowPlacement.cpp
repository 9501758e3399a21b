#include "mainapp/WindowPlacement.h"

#include <algorithm>
#include <cstdio>

int WindowPlacement::Clamped(long long value, int lowest, int highest) {
    return static_cast<int>(std::clamp<long long>(value, lowest, highest));
}

bool WindowPlacement::Parse(const std::string& text, WindowPlacement& out) {
    if (text.empty()) return false;
    WindowPlacement read;
    const int fields =
        std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &read.flags, &read.showCmd, &read.minX, &read.minY,
                    &read.maxX, &read.maxY, &read.left, &read.top, &read.right, &read.bottom);
    if (fields != 10) return false;
    out = read;
    return true;
}

std::string WindowPlacement::Format() const {
    char text[160];
    std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", flags, showCmd, minX, minY, maxX, maxY, left, top,
                  right, bottom);
    return text;
}
