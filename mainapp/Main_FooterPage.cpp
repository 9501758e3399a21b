#include "mainapp/Main_FooterPage.h"

#include "platform/base/Profile.h"
#include "platform/ui/HtmlSanitizer.h"

CMain_FooterPage::CMain_FooterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {}

void CMain_FooterPage::ProcessDocument() {
    const std::string text = jv::Profile("Jorvane").GetProfileString("Settings", "FooterMsg");
    ElementPtr footer;
    // The text may have come from the web service: only harmless markup is shown.
    if (GetElementById("FooterText", footer)) footer->setInnerHTML(jv::ui::SanitizeHtml(text));
}
