#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/Element.h"

class CJVDialogPage;

// The base of every HTML dialog of both programs: a dialog whose content is a page resource.
// When its document is complete it wraps the document in a CJVDialogPage, so that dialog code
// reaches its own document through the page helpers; before that the page object is null, so a
// dialog touches its document only from OnDocumentComplete on (and in its click handlers).
//
// Buttons are bound by element id to click handlers (BindClick, the dialog's event map); a
// handler reads what it needs and ends the dialog with EndDialog and the dialog's own result.
// DoModal returns that result, or -1 when the dialog's page could not be shown. The dialog's
// caption is the <title> of its page.
class CJVDialog : public jv::ui::Dialog {
public:
    CJVDialog();
    // templateId: the dialog's template number, which names the dialog at its callers only;
    // htmlResourceId: the page it shows. Every dialog shows over the main window, whatever parent
    // is given.
    CJVDialog(unsigned templateId, unsigned htmlResourceId, jv::ui::Dialog* parent);
    ~CJVDialog() override;

    // The dialog's page object; null until its document has completed.
    CJVDialogPage* GetPage() const { return m_pPage.get(); }

    // The element with this id or name in the dialog's page, or false.
    bool GetElement(const std::string& id, jv::ui::ElementPtr& element) const;

    // Handlers that do nothing but end the dialog with 0, 1 or 2; dialogs bind buttons to them.
    void OnEnd0() { EndDialog(0); }
    void OnEnd1() { EndDialog(1); }
    void OnEnd2() { EndDialog(2); }

protected:
    void OnInitDialog() override;
    // Ends the dialog with -1 when there is no document; in every case makes the page object.
    // A dialog that overrides it calls it first.
    void OnDocumentComplete(const std::string& url) override;
    // Runs the handler bound to the clicked element or, as the click bubbles, to the nearest
    // element around it that has one.
    void OnClick(const std::string& elementId) override;

    // The event map: a click on the element with this id runs the handler.
    void BindClick(const std::string& elementId, std::function<void()> handler);
    // The page the dialog shows.
    void LoadFromResource(unsigned htmlResourceId);

private:
    const std::function<void()>* FindHandler(const std::string& elementId) const;

    std::shared_ptr<CJVDialogPage> m_pPage;
    std::map<std::string, std::function<void()>> m_clickHandlers;  // by id in lower case
};
