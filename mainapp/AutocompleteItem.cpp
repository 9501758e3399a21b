#include "mainapp/AutocompleteItem.h"

#include <algorithm>

namespace {

unsigned char Lower(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

}  // namespace

int CAutocompleteItem::CompareNoCase(const std::string& a, const std::string& b) {
    const size_t length = std::min(a.size(), b.size());
    for (size_t i = 0; i < length; ++i) {
        const unsigned char x = Lower(a[i]);
        const unsigned char y = Lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
