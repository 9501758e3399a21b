#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jv::desktop {

// One picture of an icon as the notification area takes it: width x height pixels, each four
// bytes A, R, G, B (ARGB32 in network byte order), row after row.
struct IconPixmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> argb;
};

// The sizes a panel draws a notification-area icon at.
inline const std::vector<int>& UsualIconSizes() {
    static const std::vector<int> sizes = {16, 22, 24, 32, 48};
    return sizes;
}

// The icon file (SVG or PNG) drawn at each of the sizes (square). Empty, with the reason in
// *error, when the file cannot be read or drawn.
std::vector<IconPixmap> LoadIconPixmaps(const std::string& file, const std::vector<int>& sizes,
                                        std::string* error = nullptr);

// A picture of 8-bit RGB or RGBA pixels (rowStride bytes a row) as ARGB32 in network byte order;
// pixels without alpha are opaque.
IconPixmap ToArgb32(const uint8_t* pixels, int width, int height, int rowStride, bool hasAlpha);

}  // namespace jv::desktop
