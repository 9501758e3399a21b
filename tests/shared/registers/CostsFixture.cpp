#include "tests/shared/registers/CostsFixture.h"

#include <filesystem>

#include "platform/base/NumberText.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/UserData.h"

std::string Day(const jv::DateTime& date) {
    return std::to_string(date.GetMonth()) + "/" + std::to_string(date.GetDay()) + "/" + std::to_string(date.GetYear());
}

CostsTest::CostsTest() : logPath_(home_.dir().File("JVtrace.log")) {
    const std::string path = home_.dir().File("user.jvdb");
    std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
    OpenTraceLog(logPath_.c_str(), kTraceLogSizeKB);
    // As the program opens a new user's file: brought to the current version.
    CUserData userData;
    if (userData.OpenConnections(path)) db_ = userData.GetDatabaseConnection();
    prefs_.DistanceUnit = 0;
    prefs_.VolumeUnit = 0;
    prefs_.ShowSoldCars = false;
}

CostsTest::~CostsTest() {
    CloseTraceLog();
}

void CostsTest::AddCar(const std::string& vehicleId, const std::string& name, bool sold) {
    db_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name, StyleYear, Sold, Custom) VALUES ('" + vehicleId +
                        "', '" + name + "', 2020, " + (sold ? "-1" : "0") + ", -1)");
}

void CostsTest::AddReading(const std::string& vehicleId, const jv::DateTime& date, double value) {
    db_.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleId +
                        "', #" + date.Format("%m/%d/%Y") + "#, " + jv::number::FormatShortest(value) + ")");
}

std::vector<CCar> CostsTest::LoadCars() {
    CCarsDB cars(db_);
    cars.getCars("%", prefs_);
    cars.getCurrentOdometers(prefs_);
    return cars.m_cars;
}

std::vector<std::string> CostsTest::Readings(const std::string& vehicleId) {
    std::vector<std::string> readings;
    auto rs = db_.Execute("SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID='" + vehicleId +
                          "' ORDER BY OdometerDate, OdometerValue");
    for (; !rs.IsEOF(); rs.MoveNext()) {
        readings.push_back(Day(*rs.GetDate("OdometerDate")) + "=" +
                           jv::number::FormatShortest(*rs.GetDouble("OdometerValue")));
    }
    return readings;
}

long CostsTest::Count(const std::string& fromWhere) {
    return *db_.Execute("SELECT count(*) AS n " + fromWhere).GetInt("n");
}

std::string CostsTest::Text(const std::string& sql) {
    auto rs = db_.Execute(sql);
    if (rs.IsEOF()) return "";
    return rs.GetText(rs.Columns().front()).value_or("");
}

std::string CostsTest::LastId() {
    return Text("SELECT @@IDENTITY AS id");
}

std::string CostsTest::Log() const {
    return jv::test::ReadFile(logPath_);
}
