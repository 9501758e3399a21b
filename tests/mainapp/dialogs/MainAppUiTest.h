#pragma once

#include <gtest/gtest.h>

#include <string>

#include "mainapp/JorvaneDoc.h"
#include "platform/base/NumberFormat.h"
#include "platform/ui/Document.h"
#include "shared/data/Car.h"
#include "tests/platform/ui/UiTestEnvironment.h"
#include "tests/shared/data/TestDatabase.h"

// A dialog of the main program in front of the fake browser: the program's pages installed, a
// document on a copy of the blank database, and SQL straight on that file to seed and check.
class MainAppUiTest : public ::testing::Test {
protected:
    MainAppUiTest();
    ~MainAppUiTest() override;

    void Exec(const std::string& sql);
    // The first column of the first row as text ("" for NULL or no row).
    std::string Scalar(const std::string& sql);
    int Count(const std::string& sql) { return std::stoi(Scalar(sql)); }
    CCar AddCar(const std::string& name);
    void UseKilometres();
    // The text of an element of a shown dialog, as the browser shows it.
    std::string BrowserText(jv::ui::FakeHost::User& user, const std::string& id);

    jv::test::TestDatabase file;
    jv::test::TraceCapture trace;
    jv::test::UiEnvironment ui;
    CJorvaneDoc document;

private:
    jv::NumberFormat m_savedFormat;
};
