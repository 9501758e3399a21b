#include "shared/ui/JVDialog.h"

#include <cctype>

#include "platform/ui/Document.h"
#include "shared/ui/JVDialogPage.h"

namespace {

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

CJVDialog::CJVDialog() : jv::ui::Dialog(0) {}

CJVDialog::CJVDialog(unsigned /*templateId*/, unsigned htmlResourceId, jv::ui::Dialog* /*parent*/)
    : jv::ui::Dialog(static_cast<int>(htmlResourceId)) {}

CJVDialog::~CJVDialog() = default;

void CJVDialog::OnInitDialog() {}

void CJVDialog::LoadFromResource(unsigned htmlResourceId) {
    setResourceId(static_cast<int>(htmlResourceId));
}

void CJVDialog::OnDocumentComplete(const std::string& /*url*/) {
    const std::shared_ptr<jv::ui::Document> page = document();
    if (!page) EndDialog(kNotShown);
    m_pPage = std::make_shared<CJVDialogPage>(resourceId(), page);
}

bool CJVDialog::GetElement(const std::string& id, jv::ui::ElementPtr& element) const {
    element.reset();
    if (!document()) return false;
    jv::ui::Element* found = document()->item(id, 0);
    if (found == nullptr) return false;
    element = found->selfElement();
    return true;
}

void CJVDialog::BindClick(const std::string& elementId, std::function<void()> handler) {
    m_clickHandlers[LowerCase(elementId)] = std::move(handler);
}

const std::function<void()>* CJVDialog::FindHandler(const std::string& elementId) const {
    const auto it = m_clickHandlers.find(LowerCase(elementId));
    return it != m_clickHandlers.end() ? &it->second : nullptr;
}

void CJVDialog::OnClick(const std::string& elementId) {
    const std::function<void()>* handler = FindHandler(elementId);
    jv::ui::Node* node = document() ? document()->item(elementId, 0) : nullptr;
    for (; handler == nullptr && node != nullptr; node = node->parentNode()) {
        const jv::ui::Element* element = node->asElement();
        if (element != nullptr && !element->id().empty()) handler = FindHandler(element->id());
    }
    if (handler == nullptr) return;
    // A copy: the handler may change the event map while it runs.
    const std::function<void()> run = *handler;
    run();
}
