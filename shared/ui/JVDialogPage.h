#pragma once

#include "shared/ui/JVPage.h"

// The page object of a dialog: its document wrapped so that dialog code reaches it through the
// same helpers as the pages. It fills nothing itself.
class CJVDialogPage : public CJVPage {
public:
    CJVDialogPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
};
