#include "mainapp/Main_NavBarPage.h"

#include "platform/base/Profile.h"
#include "platform/ui/HtmlSanitizer.h"

CMain_NavBarPage::CMain_NavBarPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {}

void CMain_NavBarPage::ProcessDocument() {
    const std::string text = jv::Profile("Jorvane").GetProfileString("Settings", "PartnerMsg");
    ElementPtr partner;
    // The server writes this text: it keeps its plain formatting and links, nothing that runs.
    if (GetElementById("PartnerText", partner)) partner->setInnerHTML(jv::ui::SanitizeHtml(text));
}
