#pragma once

#include <string>
#include <string_view>

namespace jv::ui {

// HTML from outside the program (a server's text) made safe to show in a page: only text and a
// few harmless tags stay (b, i, br, p, span and links). Every attribute goes, except a link's
// address when it is http or https; such a link opens in a window of its own, outside the
// program. Everything else is dropped with its content kept as text (scripts and styles with their
// content).
std::string SanitizeHtml(std::string_view html);

}  // namespace jv::ui
