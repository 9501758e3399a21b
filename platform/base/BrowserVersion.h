#pragma once

#include <string_view>

namespace jv {

// The browser that shows the program's pages, by name and version ("Chrome 120.0.0.0"), as its
// requests name it in their User-Agent: the program learns it from the first request of its own
// browser rather than by starting a browser to ask. Until then it is not known.
//
// Readable from any thread and from a crash handler: the text is written once, before it is
// published, and never changed afterwards.
class BrowserVersion {
public:
    // Takes the name and version from a User-Agent header ("Mozilla/5.0 (X11; Linux x86_64)
    // AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36"). The first header
    // that names a browser wins; a header that names none is ignored.
    static void Learn(std::string_view userAgent);
    // The text learned, or null while none is.
    static const char* Known();

    // The "name version" a User-Agent header stands for, empty when it names no browser this
    // program knows (Chromium and Chrome, Edge, Opera, Firefox, Safari).
    static std::string_view Parse(std::string_view userAgent, char* buffer, size_t size);
};

}  // namespace jv
