#pragma once

// The main program's application object: start-up and shutdown.
class CJorvaneApp {
public:
    static int Run(int argc, char** argv);
};
