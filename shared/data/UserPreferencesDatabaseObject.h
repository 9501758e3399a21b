#pragma once

#include <string>

#include "shared/data/DatabaseObject.h"
#include "shared/data/EmptyFields.h"
#include "shared/data/UserPreferences.h"

// Reads and writes the one row of the Prefs table. Built on the stack for each use.
class CUserPreferencesDatabaseObject : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    // Reads the row into prefs; a NULL field gives an empty text, 0 or false. Without a row prefs
    // keeps what it held.
    void GetUserPreferences(CUserPreferences& prefs);

    // What UpdatePreferences does with the name, e-mail, postal code and mechanic texts given
    // empty: kept unless set (the preferences page clears them).
    void SetEmptyFields(EmptyFields empty) { m_emptyFields = empty; }

    // Writes the row from the values of the preferences form. An empty value is not given and
    // keeps its stored value (but see SetEmptyFields). The units and consents are decimal text; any other text is
    // refused (false, nothing written).
    bool UpdatePreferences(const std::string& UserName, const std::string& Email, const std::string& Country,
                           const std::string& PostalCode, const std::string& VolumeUnit,
                           const std::string& DistanceUnit, const std::string& MechanicName,
                           const std::string& MechanicAddress1, const std::string& MechanicAddress2,
                           const std::string& MechanicCity, const std::string& MechanicState,
                           const std::string& MechanicZip, const std::string& MechanicPhone, bool ShowSoldCars,
                           const std::string& Internet, const std::string& UploadData, const std::string& UploadErrors);

    // True when stored rows hold values in the units in force: odometer readings and fuel
    // distances for the distance unit, fuel volumes for the volume unit. They are kept in the unit
    // they were typed in, so a change of unit would read them in the other one.
    bool HoldsValuesInUnits(bool distance, bool volume);

    // Writes the whole record.
    bool SaveUserPreferences(CUserPreferences prefs);

private:
    EmptyFields m_emptyFields = EmptyFields::KeepStored;
};
