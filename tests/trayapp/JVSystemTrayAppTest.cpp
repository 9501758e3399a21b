#include "trayapp/JVSystemTrayApp.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(JVSystemTrayApp, RegistrationSwitchesInAnyCaseAfterSlashOrDash) {
    struct Case {
        std::vector<std::string> args;
        bool registration;
    } cases[] = {
        {{"/RegServer"}, true},       {{"-regserver"}, true},  {{"/UNREGSERVER"}, true}, {{"-Embedding"}, true},
        {{"/automation"}, true},      {{"--regserver"}, true}, {{"regserver"}, false},   {{"/Register"}, true},
        {{"-unregister"}, true},      {{"/registers"}, false}, {{"/"}, false},           {{}, false},
        {{"x", "-Automation"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CJVSystemTrayApp::IsRegistrationSwitch(c.args), c.registration)
            << (c.args.empty() ? "(none)" : c.args.back());
}

TEST(JVSystemTrayApp, FirstCheckDelayFromTheSettingOrFiveMinutes) {
    struct Case {
        const char* setting;
        std::chrono::milliseconds delay;
    } cases[] = {
        {nullptr, 5min}, {"", 5min},    {"0", 0s},     {"30", 30s},
        {"-1", 5min},    {"ten", 5min}, {"12x", 5min}, {"999999", 5min},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CJVSystemTrayApp::FirstCheckDelay(c.setting), c.delay) << (c.setting ? c.setting : "(unset)");
}
