#pragma once

#include <string>

// One vendor of the vendor list. Vendors are ordered, and told apart, without regard to letter
// case (ASCII letters; other bytes compare as they are), so "Shell" and "SHELL" are one vendor.
class CAutocompleteItem : public std::string {
public:
    using std::string::string;
    explicit CAutocompleteItem(std::string text) : std::string(std::move(text)) {}
    virtual ~CAutocompleteItem() = default;
    CAutocompleteItem(const CAutocompleteItem&) = default;
    CAutocompleteItem& operator=(const CAutocompleteItem&) = default;

    // Below zero, zero or above zero as a is before, equal to or after b without regard to case.
    static int CompareNoCase(const std::string& a, const std::string& b);

    bool operator<(const CAutocompleteItem& other) const { return CompareNoCase(*this, other) < 0; }
};
