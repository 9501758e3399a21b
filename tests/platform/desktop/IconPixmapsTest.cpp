#include "platform/desktop/IconPixmaps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using jv::desktop::IconPixmap;

TEST(IconPixmaps, PixelsBecomeArgbInNetworkByteOrder) {
    struct Case {
        const char* what;
        std::vector<uint8_t> pixels;
        int width, height, rowStride;
        bool hasAlpha;
        std::vector<uint8_t> argb;
    };
    const Case cases[] = {
        {"RGBA", {0x1f, 0x3a, 0x68, 0xff, 1, 2, 3, 0}, 2, 1, 8, true, {0xff, 0x1f, 0x3a, 0x68, 0, 1, 2, 3}},
        {"RGB is opaque", {10, 20, 30, 40, 50, 60}, 2, 1, 6, false, {0xff, 10, 20, 30, 0xff, 40, 50, 60}},
        {"row padding is skipped", {1, 2, 3, 9, 9, 4, 5, 6, 9, 9}, 1, 2, 5, false, {0xff, 1, 2, 3, 0xff, 4, 5, 6}},
        {"nothing to draw", {}, 0, 0, 0, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IconPixmap pixmap = jv::desktop::ToArgb32(c.pixels.empty() ? nullptr : c.pixels.data(), c.width, c.height,
                                                        c.rowStride, c.hasAlpha);
        EXPECT_EQ(pixmap.argb, c.argb);
        EXPECT_EQ(pixmap.width, c.argb.empty() ? 0 : c.width);
        EXPECT_EQ(pixmap.height, c.argb.empty() ? 0 : c.height);
    }
}

TEST(IconPixmaps, TheIconFileIsDrawnAtEachSize) {
    std::string error;
    const auto pixmaps = jv::desktop::LoadIconPixmaps(JV_TRAY_ICON_FILE, jv::desktop::UsualIconSizes(), &error);
    ASSERT_EQ(pixmaps.size(), jv::desktop::UsualIconSizes().size()) << error;
    for (size_t i = 0; i < pixmaps.size(); ++i) {
        const int size = jv::desktop::UsualIconSizes()[i];
        EXPECT_EQ(pixmaps[i].width, size);
        EXPECT_EQ(pixmaps[i].height, size);
        EXPECT_EQ(pixmaps[i].argb.size(), static_cast<size_t>(size * size * 4));
        EXPECT_EQ(pixmaps[i].argb[0], 0) << "the corner, outside the circle, is transparent";
    }

    EXPECT_TRUE(jv::desktop::LoadIconPixmaps("/nonexistent/icon.svg", {16}, &error).empty());
    EXPECT_NE(error.find("icon.svg"), std::string::npos) << error;
}

}  // namespace
