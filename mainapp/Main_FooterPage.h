#pragma once

#include "shared/ui/JVPage.h"

// The footer below the workspace: shows the footer text kept in the profile ("FooterMsg").
class CMain_FooterPage : public CJVPage {
public:
    CMain_FooterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);
    void ProcessDocument() override;
};
