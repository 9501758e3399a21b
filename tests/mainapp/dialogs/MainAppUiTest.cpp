#include "tests/mainapp/dialogs/MainAppUiTest.h"

#include "mainapp/MainAppResources.h"
#include "platform/db/Connection.h"
#include "shared/data/CarsDB.h"
#include "shared/ui/SharedUi.h"

MainAppUiTest::MainAppUiTest() : m_savedFormat(jv::NumberFormat::User()) {
    jv::NumberFormat::SetUserForTesting(jv::NumberFormat::UnitedStates());
    jv::ui::Resources::Install(SharedUiResources());
    jv::ui::Resources::Install(MainAppResources());
    EXPECT_TRUE(document.GetUserData().OpenConnections(file.path()));
    document.LoadUserPreferences();
    CJorvaneDoc::SetDoc(&document);
}

MainAppUiTest::~MainAppUiTest() {
    CJorvaneDoc::SetDoc(nullptr);
    jv::ui::Resources::ClearForTesting();
    jv::NumberFormat::SetUserForTesting(m_savedFormat);
}

void MainAppUiTest::Exec(const std::string& sql) {
    document.GetDatabaseConnection().ExecuteNonQuery(sql);
}

std::string MainAppUiTest::Scalar(const std::string& sql) {
    jv::db::Recordset rs = document.GetDatabaseConnection().Execute(sql);
    if (rs.IsEOF() || rs.Columns().empty()) return "";
    return rs.GetText(rs.Columns()[0]).value_or("");
}

CCar MainAppUiTest::AddCar(const std::string& name) {
    CCar car;
    car.Name = name;
    car.StyleYear = 2020;
    car.SoldDate = jv::DateTime::Null();
    car.PurchaseDate = jv::DateTime::Null();
    CCarsDB cars(document.GetDatabaseConnection());
    EXPECT_TRUE(cars.addCar(car)) << name;
    return car;
}

void MainAppUiTest::UseKilometres() {
    Exec("UPDATE Prefs SET DistanceUnit=1");
    document.LoadUserPreferences();
    ASSERT_TRUE(document.GetUserPreferences().UsesKilometres());
}

std::string MainAppUiTest::BrowserText(jv::ui::FakeHost::User& user, const std::string& id) {
    const auto browser = ui.host.BrowserCopy(user.document());
    if (!browser) return "<not shown>";
    const jv::ui::Element* element = browser->getElementById(id);
    return element != nullptr ? element->innerHTML() : "<missing>";
}
