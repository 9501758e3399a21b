#include "platform/ui/BrowserHost.h"

namespace jv::ui {

namespace {
BrowserHost* g_host = nullptr;
}

void InstallHost(BrowserHost* host) {
    g_host = host;
}

BrowserHost* InstalledHost() {
    return g_host;
}

}  // namespace jv::ui
