#include "mainapp/pages/JVRegisterPage.h"

#include "mainapp/AutocompleteList.h"
#include "mainapp/JorvaneDoc.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"

CJVRegisterPage::CJVRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {}

void CJVRegisterPage::GetVendor(const std::string& rowId, const std::string& typed) {
    const char* method = "CJVRegisterPage::GetVendor";
    std::string remainder;
    std::string whole;
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    CAutocompleteList* list = doc != nullptr ? doc->GetAutocompleteList() : nullptr;
    if (list == nullptr || !list->Lookup(typed, remainder, whole)) {
        remainder.clear();
        whole.clear();
    }
    const std::pair<std::string, int> spans[] = {{"vendorEnd_" + rowId, 39}, {"vendorWhole_" + rowId, 49}};
    for (const auto& [id, callSite] : spans) {
        ElementPtr span;
        if (!GetElementById(id, span)) {
            const std::string message = "Couldn't find " + id + " in Fuel Register.";
            TraceLog(method, TRACE_ERROR, message);
            CErrorReporting::Report(method, callSite, message);
            return;
        }
        span->setTextContent(id == spans[0].first ? remainder : whole);
    }
}

void CJVRegisterPage::RememberVendor(const std::string& vendor) {
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    if (CAutocompleteList* list = doc != nullptr ? doc->GetAutocompleteList() : nullptr) list->Add(vendor);
}
