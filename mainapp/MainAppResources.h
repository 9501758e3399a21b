#pragma once

#include "platform/ui/Resources.h"

// The main program's pages, dialogs and images (mainapp/resources).
const jv::ui::ResourceTable& MainAppResources();
