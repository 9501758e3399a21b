#include "platform/desktop/IconPixmaps.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace jv::desktop {

IconPixmap ToArgb32(const uint8_t* pixels, int width, int height, int rowStride, bool hasAlpha) {
    IconPixmap pixmap;
    if (pixels == nullptr || width <= 0 || height <= 0) return pixmap;
    pixmap.width = width;
    pixmap.height = height;
    pixmap.argb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const int channels = hasAlpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixel = pixels + static_cast<ptrdiff_t>(y) * rowStride;
        for (int x = 0; x < width; ++x, pixel += channels) {
            pixmap.argb.push_back(hasAlpha ? pixel[3] : 0xff);
            pixmap.argb.insert(pixmap.argb.end(), pixel, pixel + 3);
        }
    }
    return pixmap;
}

std::vector<IconPixmap> LoadIconPixmaps(const std::string& file, const std::vector<int>& sizes, std::string* error) {
    std::vector<IconPixmap> pixmaps;
    for (const int size : sizes) {
        GError* failure = nullptr;
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_scale(file.c_str(), size, size, FALSE, &failure);
        if (pixbuf == nullptr) {
            if (error != nullptr) *error = failure != nullptr ? failure->message : "cannot read " + file;
            if (failure != nullptr) g_error_free(failure);
            return {};
        }
        // Only 8-bit RGB or RGBA pictures are made by the loaders; anything else is passed over.
        if (gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 &&
            gdk_pixbuf_get_n_channels(pixbuf) == (gdk_pixbuf_get_has_alpha(pixbuf) ? 4 : 3)) {
            pixmaps.push_back(ToArgb32(gdk_pixbuf_read_pixels(pixbuf), gdk_pixbuf_get_width(pixbuf),
                                       gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_rowstride(pixbuf),
                                       gdk_pixbuf_get_has_alpha(pixbuf)));
        }
        g_object_unref(pixbuf);
    }
    return pixmaps;
}

}  // namespace jv::desktop
