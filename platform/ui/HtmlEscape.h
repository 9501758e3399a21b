#pragma once

#include <string>
#include <string_view>

namespace jv::ui {

// Text made safe to stand anywhere in HTML, as element content or as an attribute value in double
// or single quotes or none: & < > " and ' become character references. Every value the program
// puts into HTML that it did not build as markup itself goes through this.
std::string EscapeHtml(std::string_view text);

}  // namespace jv::ui
