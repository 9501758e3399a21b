#pragma once

#include "shared/ui/JVDialog.h"

// The about box: the program's name and version, a feedback address and the web site. Following
// either link opens it outside the program and closes the box.
class CAboutDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 100;
    static constexpr unsigned kPageID = 230;

    explicit CAboutDlg(jv::ui::Dialog* parent = nullptr);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
};
