#pragma once

#include <string>

#include "shared/ui/JVPage.h"

class CUserPreferences;

// The preferences page (197): the user's name, e-mail, country and postal code, the volume and
// distance units, whether sold cars are shown, whether the program may connect without asking,
// and the favourite mechanic. Saving stores them, reloads the document's preferences (which every
// page reads), drops or opens the web-service connection when that choice changed, rebuilds the
// car list and shows the page again from what was stored. A change of units while the database
// holds readings is asked about first; Cancel keeps the units, and the other edits are saved.
class CWS_UserPreferencesPage : public CJVPage {
public:
    CWS_UserPreferencesPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;

    // The form's texts. Volume and distance are "0" or "1", show sold cars "Show" or "Hide",
    // connect "2" (yes), "0" (ask) or empty (the stored "never" left as it was). Empty upload
    // choices keep what is stored.
    void UpdatePrefs(const std::string& userName, const std::string& email, const std::string& country,
                     const std::string& postalCode, const std::string& volume, const std::string& distance,
                     const std::string& mechanicName, const std::string& mechanicAddress1,
                     const std::string& mechanicAddress2, const std::string& mechanicCity,
                     const std::string& mechanicState, const std::string& mechanicZip, const std::string& mechanicPhone,
                     const std::string& showSoldCars, const std::string& connectInternet,
                     const std::string& uploadCarData, const std::string& uploadErrorData);

    // Whether the form holds something else than it was filled with from the stored preferences
    // (they are kept only by the page's Save).
    bool HasUnsavedChanges() const;

private:
    // Readings are kept in the units they were typed in: asks before the units change under them.
    bool ConfirmUnitChange(const CUserPreferences& before, const CUserPreferences& after);
    // What the form's fields hold, as one text.
    std::string FormState() const;
    // "Your preferences were saved." beside the buttons (saying so when the units were kept at the
    // user's word), or nothing.
    void SetSaved(bool saved, bool unitsKept);

    // The form's state as it was filled from the stored preferences.
    std::string m_filled;
};
