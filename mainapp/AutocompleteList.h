#pragma once

#include <set>
#include <string>

#include "mainapp/AutocompleteItem.h"
#include "shared/data/DatabaseObject.h"

// Every vendor the user has typed into a register (services, fuel purchases and expenses), for
// completing the Vendor field as the user types. The document fills it once when it opens the
// user database; saves add to it; nothing removes a vendor. UI thread only.
class CAutocompleteList : public CDatabaseObject {
public:
    explicit CAutocompleteList(jv::db::Connection connection);

    // Reads the vendors of the three registers. A query failure is logged and reported; the list
    // keeps what was read.
    void Initialize();
    // Adds a vendor the user saved. Empty text and a vendor already listed (in any letter case)
    // change nothing: the stored spelling stays.
    void Add(const std::string& vendor);
    // The first vendor (without regard to case) that begins with prefix: its remainder after the
    // prefix (in its stored letter case) and its whole text. False, outputs untouched, when the
    // prefix is empty or no vendor begins with it.
    bool Lookup(const std::string& prefix, std::string& remainder, std::string& whole) const;

    size_t size() const { return m_items.size(); }

private:
    std::set<CAutocompleteItem> m_items;
};
