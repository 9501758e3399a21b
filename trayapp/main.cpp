#include "trayapp/JVSystemTrayApp.h"

int main(int argc, char** argv) {
    return CJVSystemTrayApp::Run(argc, argv);
}
