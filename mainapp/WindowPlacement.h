#pragma once

#include <string>

// Where the main window was and how it was shown, kept between runs as the text "WindowPos":
// flags, show command, the minimised and maximised positions and the normal rectangle, ten
// numbers separated by commas.
struct WindowPlacement {
    static constexpr unsigned kShowNormal = 1;
    static constexpr unsigned kShowMinimized = 2;
    static constexpr unsigned kShowMaximized = 3;
    static constexpr unsigned kShow = 5;
    // The window goes back to maximised when it is restored from the taskbar.
    static constexpr unsigned kRestoreToMaximized = 2;

    // How far from the screen's origin a window may stand, and how large it may be (pixels): no
    // screen is that large, and numbers beyond (stored, or sent by the window) are taken as this.
    static constexpr int kFarthest = 100000;
    static int Clamped(long long value, int lowest = -kFarthest, int highest = kFarthest);

    unsigned flags = 0;
    unsigned showCmd = kShowNormal;
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // The text read back: exactly ten numbers, else false and `out` is not changed.
    static bool Parse(const std::string& text, WindowPlacement& out);
    std::string Format() const;

    bool IsMaximized() const { return showCmd == kShowMaximized; }
};
