#pragma once

#include "shared/ui/JVPage.h"

// The navigation bar: the links to the pages, and the partner text from the web service
// ("PartnerMsg" in the profile) at its right.
class CMain_NavBarPage : public CJVPage {
public:
    CMain_NavBarPage(int resourceId, std::shared_ptr<jv::ui::Document> document);
    void ProcessDocument() override;
};
