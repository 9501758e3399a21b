#pragma once

#include <memory>

#include "shared/ui/JVPage.h"

// The page object for a page resource that has loaded: the workspace pages and the car list,
// navigation bar and footer frames. Null for any other page (the frameset, the logo, the title
// and the tips frame need none).
std::shared_ptr<CJVPage> CreatePage(int resourceId, std::shared_ptr<jv::ui::Document> document);
