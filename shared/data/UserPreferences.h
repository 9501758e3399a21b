#pragma once

#include <string>

// The user's preferences (the one row of the Prefs table) with the units in which distances and
// volumes are shown. Distances are stored in miles throughout the database; this record converts
// them to the display unit and names the units. A plain value; the document keeps one.
class CUserPreferences {
public:
    std::string UserName;
    std::string Email;
    std::string Country;
    std::string PostalCode;
    int VolumeUnit = 0;    // 1 = litres, anything else = gallons
    int DistanceUnit = 0;  // 1 = kilometres, anything else = miles
    std::string MechanicName;
    std::string MechanicAddress1;
    std::string MechanicAddress2;
    std::string MechanicCity;
    std::string MechanicState;
    std::string MechanicZip;
    std::string MechanicPhone;
    bool ShowSoldCars = false;
    // Consents: 0 ask, 1 no, 2 yes. The answers are what the user said since the program started
    // (0 not asked, 1 refused, 2 allowed) and are never stored.
    int Internet = 0;
    int InternetAnswer = 0;
    int UploadErrors = 0;
    int UploadErrorsAnswer = 0;
    int UploadData = 0;
    int UploadDataAnswer = 0;

    static constexpr double kKilometresPerMile = 1.6093;

    // A distance in miles in the display unit; when step is not 0, cut down (toward zero) to a
    // multiple of step.
    double ConvertDistance(double miles, int step) const;
    // As ConvertDistance in kilometres; in miles the value comes back unchanged, step ignored.
    double ConvertDistanceRounded(double miles, int step) const;

    std::string GetDistanceUnitName(bool capitalised, bool plural) const;
    std::string GetVolumeUnitName(bool capitalised, bool plural) const;

    bool UsesKilometres() const { return DistanceUnit == 1; }
    bool UsesLitres() const { return VolumeUnit == 1; }
};
