#pragma once

#include "shared/ui/JVDialog.h"

// QuickStart's first step: the units of volume and distance, preset from the preferences.
// DoModal gives 0 for Back, 1 for Continue (also Enter, with the units chosen) and 2 for Exit,
// Escape or the close box.
class CQuickStartPrefsDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 259;
    static constexpr unsigned kPageID = 249;

    explicit CQuickStartPrefsDlg(jv::ui::Dialog* parent = nullptr);

    void SetSize(int width, int height) {
        m_nWidth = width;
        m_nHeight = height;
    }
    // The units to show checked (0 gallons / miles, 1 litres / kilometres).
    void SetUnits(int volumeUnit, int distanceUnit) {
        m_nVolumeUnit = volumeUnit;
        m_nDistanceUnit = distanceUnit;
    }
    int GetVolumeUnit() const { return m_nVolumeUnit; }
    int GetDistanceUnit() const { return m_nDistanceUnit; }

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonNext(); }
    void OnCancel() override { EndDialog(2); }

private:
    void OnButtonNext();

    int m_nDistanceUnit = 0;
    int m_nVolumeUnit = 0;
    int m_nWidth = -1;
    int m_nHeight = -1;
};
