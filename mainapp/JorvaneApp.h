#pragma once

#include <string>
#include <vector>

// The main program's application object: start-up and shutdown.
//
// Start-up, in order: the switches that only registered the program with the old desktop end it
// at once; a second start in the same login session hands over to the first and ends; the crash
// handler; a window must be possible (a display and a browser); the trace log; the window and its
// status bar; the user database; the frameset; then the QuickStart wizard on a new database or
// the update check. Closing the window ends the program with status 0.
class CJorvaneApp {
public:
    // The lock's name: one running copy per user and login session.
    static constexpr const char* kInstanceName = "JORVANE-1D2A75E3-4825-4b4e-B8EE-16B1D4240087";

    static int Run(int argc, char** argv);

    // The registration switches ("/Regserver", "-Embedding", ... in any case): nothing on this
    // desktop serves or registers the program's class, so they end it at once.
    static bool IsRegistrationSwitch(const std::vector<std::string>& arguments);
};
