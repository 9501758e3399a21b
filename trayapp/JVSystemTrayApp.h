#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The companion's application object: start-up and shutdown.
class CJVSystemTrayApp {
public:
    static int Run(int argc, char** argv);

    // True when the arguments hold one of the component-registration switches ("Regserver",
    // "Unregserver", "Register", "Unregister", "Embedding", "Automation", after "/" or "-", in any
    // case): the companion then has nothing to do and ends at once.
    static bool IsRegistrationSwitch(const std::vector<std::string>& args);

    // The delay before the first check: JV_TRAY_FIRST_CHECK_SECONDS when it holds a whole number of
    // seconds (for tests and for users who want the check sooner), otherwise five minutes.
    static std::chrono::milliseconds FirstCheckDelay(const char* setting);
};
