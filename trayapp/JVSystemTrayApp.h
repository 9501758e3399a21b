#pragma once

// The companion's application object: start-up and shutdown.
class CJVSystemTrayApp {
public:
    static int Run(int argc, char** argv);
};
