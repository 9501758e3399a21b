#pragma once

#include "platform/ui/Resources.h"

// The pages, scripts, style sheet and images compiled into both programs (shared/ui/resources).
const jv::ui::ResourceTable& SharedUiResources();

// What both programs set up when their user interface starts, before anything is shown: the
// shared resources, and the problem-report dialog as error reporting's dialog.
void InstallSharedUi();
