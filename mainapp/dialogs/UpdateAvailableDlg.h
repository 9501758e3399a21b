#pragma once

#include "shared/ui/JVDialog.h"

// "There is a free update available": Yes gives 0 (download and install it now), Later 1, Escape
// and the close box 2.
class CUpdateAvailableDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 192;
    static constexpr unsigned kPageID = 228;

    explicit CUpdateAvailableDlg(jv::ui::Dialog* parent = nullptr);

protected:
    void OnInitDialog() override;
};
