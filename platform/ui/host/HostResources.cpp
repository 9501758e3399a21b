#include "platform/ui/host/HostResources.h"

namespace jv::ui::host {

// Generated at build time from the files in resources/.
extern const std::string_view kShellHtml;
extern const std::string_view kShellCss;
extern const std::string_view kShimJs;

std::optional<HostFile> FindHostFile(const std::string& path) {
    if (path == "/") return HostFile{"text/html; charset=utf-8", kShellHtml};
    if (path == "/jv/shell.css") return HostFile{"text/css; charset=utf-8", kShellCss};
    if (path == "/jv/shim.js") return HostFile{"text/javascript; charset=utf-8", kShimJs};
    return std::nullopt;
}

}  // namespace jv::ui::host
