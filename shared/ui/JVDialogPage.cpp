#include "shared/ui/JVDialogPage.h"

CJVDialogPage::CJVDialogPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {}

void CJVDialogPage::ProcessDocument() {}
