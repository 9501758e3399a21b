#include <gtest/gtest.h>

#include "shared/data/UserPreferencesDatabaseObject.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

TEST(UserPreferencesUnits, DistanceConversion) {
    struct Case {
        int unit;
        double miles;
        int step;
        double converted;
        double rounded;
    };
    const Case cases[] = {
        {1, 10.0, 0, 16.093, 16.093},     {0, 10.0, 0, 10.0, 10.0},
        {1, 5000.0, 50, 8000.0, 8000.0},                                    // 8046.5 cut down to a multiple of 50
        {0, 1234.0, 100, 1200.0, 1234.0},                                   // in miles only ConvertDistance cuts
        {1, 1234.0, 100, 1900.0, 1900.0},                                   // 1985.88 cut down
        {2, 1234.0, 100, 1200.0, 1234.0},                                   // any unit but 1 is miles
        {-1, 75.0, 50, 50.0, 75.0},       {1, -100.0, 50, -150.0, -150.0},  // toward zero: -160.93
    };
    for (const Case& c : cases) {
        CUserPreferences prefs;
        prefs.DistanceUnit = c.unit;
        EXPECT_DOUBLE_EQ(prefs.ConvertDistance(c.miles, c.step), c.converted) << c.unit << " " << c.miles;
        EXPECT_DOUBLE_EQ(prefs.ConvertDistanceRounded(c.miles, c.step), c.rounded) << c.unit << " " << c.miles;
    }
}

TEST(UserPreferencesUnits, UnitNames) {
    CUserPreferences prefs;
    struct Case {
        int unit;
        bool capitalised, plural;
        const char* distance;
        const char* volume;
    };
    const Case cases[] = {
        {1, true, false, "Kilometre", "Litre"}, {1, false, true, "kilometres", "litres"},
        {0, true, true, "Miles", "Gallons"},    {0, false, false, "mile", "gallon"},
        {2, false, true, "miles", "gallons"},   {-1, true, false, "Mile", "Gallon"},
    };
    for (const Case& c : cases) {
        prefs.DistanceUnit = c.unit;
        prefs.VolumeUnit = c.unit;
        EXPECT_EQ(prefs.GetDistanceUnitName(c.capitalised, c.plural), c.distance);
        EXPECT_EQ(prefs.GetVolumeUnitName(c.capitalised, c.plural), c.volume);
    }
}

class UserPreferences : public CarsTestDatabase {
protected:
    CUserPreferences Read() {
        CUserPreferences read;
        CUserPreferencesDatabaseObject(connection).GetUserPreferences(read);
        return read;
    }
};

TEST_F(UserPreferences, SavedAndReadBackInEitherUnits) {
    CUserPreferencesDatabaseObject db(connection);
    CUserPreferences metric;
    metric.UserName = "Ann O'Neil";
    metric.Email = "ann@example.org";
    metric.Country = "Canada";
    metric.PostalCode = "K1A 0B1";
    metric.DistanceUnit = 1;
    metric.VolumeUnit = 1;
    metric.MechanicName = "Bob's Garage";
    metric.MechanicAddress1 = "1 Main St";
    metric.MechanicAddress2 = "Unit 2";
    metric.MechanicCity = "Ottawa";
    metric.MechanicState = "ON";
    metric.MechanicZip = "K1A";
    metric.MechanicPhone = "555-0100";
    metric.ShowSoldCars = true;
    metric.Internet = 2;
    metric.UploadData = 1;
    metric.UploadErrors = 0;
    ASSERT_TRUE(db.SaveUserPreferences(metric));

    CUserPreferences read = Read();
    EXPECT_EQ(read.UserName, "Ann O'Neil");
    EXPECT_EQ(read.Email, "ann@example.org");
    EXPECT_EQ(read.Country, "Canada");
    EXPECT_EQ(read.PostalCode, "K1A 0B1");
    EXPECT_EQ(read.MechanicName, "Bob's Garage");
    EXPECT_EQ(read.MechanicAddress1, "1 Main St");
    EXPECT_EQ(read.MechanicAddress2, "Unit 2");
    EXPECT_EQ(read.MechanicCity, "Ottawa");
    EXPECT_EQ(read.MechanicState, "ON");
    EXPECT_EQ(read.MechanicZip, "K1A");
    EXPECT_EQ(read.MechanicPhone, "555-0100");
    EXPECT_TRUE(read.ShowSoldCars);
    EXPECT_EQ(read.Internet, 2);
    EXPECT_EQ(read.UploadData, 1);
    EXPECT_EQ(read.UploadErrors, 0);
    EXPECT_EQ(read.DistanceUnit, 1);
    EXPECT_EQ(read.VolumeUnit, 1);
    EXPECT_DOUBLE_EQ(read.ConvertDistanceRounded(3000, 50), 4800.0);  // 4827.9
    EXPECT_EQ(read.GetVolumeUnitName(true, false), "Litre");

    // Back to miles and gallons through the form's texts.
    ASSERT_TRUE(db.UpdatePreferences("", "", "", "", "0", "0", "", "", "", "", "", "", "", false, "1", "2", "2"));
    read = Read();
    EXPECT_EQ(read.DistanceUnit, 0);
    EXPECT_EQ(read.VolumeUnit, 0);
    EXPECT_FALSE(read.ShowSoldCars);
    EXPECT_EQ(read.Internet, 1);
    EXPECT_EQ(read.UploadData, 2);
    EXPECT_EQ(read.UploadErrors, 2);
    EXPECT_EQ(read.UserName, "Ann O'Neil");  // empty texts keep what is stored
    EXPECT_EQ(read.MechanicPhone, "555-0100");
    EXPECT_DOUBLE_EQ(read.ConvertDistanceRounded(3000, 50), 3000.0);
    EXPECT_EQ(read.GetDistanceUnitName(false, true), "miles");
}

TEST_F(UserPreferences, TextsAreCutToTheirColumns) {
    CUserPreferencesDatabaseObject db(connection);
    const std::string longName = std::string(59, 'a') + "'" + std::string(10, 'b');
    ASSERT_TRUE(db.UpdatePreferences(longName, "", "", "12345678901234", "", "", "", "", "", "", "", "", "", false, "0",
                                     "0", "0"));
    const CUserPreferences read = Read();
    EXPECT_EQ(read.UserName, std::string(59, 'a') + "'");
    EXPECT_EQ(read.PostalCode, "1234567890");
}

TEST_F(UserPreferences, NumbersThatAreNotNumbersAreRefused) {
    CUserPreferencesDatabaseObject db(connection);
    ASSERT_TRUE(db.UpdatePreferences("Kept", "", "", "", "1", "1", "", "", "", "", "", "", "", true, "2", "2", "2"));
    EXPECT_FALSE(db.UpdatePreferences("Changed", "", "", "", "0", "0, UserName='x'", "", "", "", "", "", "", "", false,
                                      "0", "0", "0"));
    EXPECT_FALSE(
        db.UpdatePreferences("Changed", "", "", "", "0", "0", "", "", "", "", "", "", "", false, "0", "one", "0"));
    EXPECT_FALSE(db.UpdatePreferences("Changed", "", "", "", "99999999999", "0", "", "", "", "", "", "", "", false, "0",
                                      "0", "0"));
    const CUserPreferences read = Read();
    EXPECT_EQ(read.UserName, "Kept");
    EXPECT_EQ(read.DistanceUnit, 1);
    EXPECT_TRUE(read.ShowSoldCars);
    EXPECT_EQ(read.UploadData, 2);
}

TEST_F(UserPreferences, MissingRowLeavesTheRecordAsItWas) {
    Exec("DELETE FROM Prefs");
    CUserPreferences prefsRead;
    prefsRead.UserName = "unchanged";
    prefsRead.DistanceUnit = 1;
    CUserPreferencesDatabaseObject(connection).GetUserPreferences(prefsRead);
    EXPECT_EQ(prefsRead.UserName, "unchanged");
    EXPECT_EQ(prefsRead.DistanceUnit, 1);
}

}  // namespace
