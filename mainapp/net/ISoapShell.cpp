#include "mainapp/net/ISoapShell.h"

namespace {
ISoapShell* g_shell = nullptr;
}

void ISoapShell::Install(ISoapShell* shell) {
    g_shell = shell;
}
ISoapShell* ISoapShell::Installed() {
    return g_shell;
}
