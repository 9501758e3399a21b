#pragma once

#include "platform/ui/Resources.h"

// The companion's own pages, script, style sheet and images (trayapp/resources).
const jv::ui::ResourceTable& TrayResources();
