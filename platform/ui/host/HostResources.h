#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jv::ui::host {

// The host's own files, compiled into the program: the shell page that is the window's top
// document, its style sheet and the shim every page loads.
struct HostFile {
    std::string_view contentType;
    std::string_view body;
};

// The host file served at `path` ("/", "/jv/shell.css", "/jv/shim.js"), if there is one.
std::optional<HostFile> FindHostFile(const std::string& path);

}  // namespace jv::ui::host
