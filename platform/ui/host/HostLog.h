#pragma once

#include <functional>
#include <string>

namespace jv::ui::host {

// Where the host writes what goes wrong: the program installs its trace log here.
// Levels as the trace log's: 0 information, 1 warning, 2 error.
using LogSink = std::function<void(const std::string& source, int level, const std::string& message)>;

}  // namespace jv::ui::host
