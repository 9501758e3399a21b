#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// Asks for a car's name. OK (or Enter) with a name gives 1; with an empty name the dialog says so
// and stays open. Cancel gives 0. Whether the name is unique is the caller's question.
class CWS_EnterCar_CarNameDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 238;

    explicit CWS_EnterCar_CarNameDlg(jv::ui::Dialog* parent = nullptr);

    // The name shown when the dialog opens.
    void SetCarName(const std::string& name) { m_strCarName = name; }
    // The name typed, after DoModal.
    const std::string& GetCarName() const { return m_strCarName; }

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonOK(); }

private:
    void OnButtonOK();

    std::string m_strCarName;
};
