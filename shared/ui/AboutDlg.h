#pragma once

#include "shared/ui/JVDialog.h"

// The about box of both programs: the program's name and version (in the element "Version" of its
// page), with the links each program's page has. The main program's page has a feedback address
// and the web site, and following either link opens it outside the program and closes the box; the
// companion's has the web site only, and the box stays.
class CAboutDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 100;
    // The main program's about page.
    static constexpr unsigned kPageID = 230;

    // pageId: the page resource the box shows.
    explicit CAboutDlg(unsigned pageId = kPageID, jv::ui::Dialog* parent = nullptr);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
};
