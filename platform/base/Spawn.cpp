#include "platform/base/Spawn.h"

#include <glib.h>
#include <sys/wait.h>

namespace jv::process {
namespace {

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
    std::vector<char*> result;
    result.reserve(argv.size() + 1);
    for (const auto& a : argv) result.push_back(const_cast<char*>(a.c_str()));
    result.push_back(nullptr);
    return result;
}

}  // namespace

bool Spawn(const std::vector<std::string>& argv, std::string* error) {
    if (argv.empty()) {
        if (error) *error = "no program given";
        return false;
    }
    std::vector<char*> args = ArgvOf(argv);
    GError* gerror = nullptr;
    const bool ok = g_spawn_async(nullptr, args.data(), nullptr,
                                  static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL), nullptr,
                                  nullptr, nullptr, &gerror) != FALSE;
    if (!ok && error && gerror) *error = gerror->message;
    if (gerror) g_error_free(gerror);
    return ok;
}

int Run(const std::vector<std::string>& argv, std::string* output, std::string* error) {
    if (argv.empty()) return -1;
    std::vector<char*> args = ArgvOf(argv);
    GError* gerror = nullptr;
    gchar* out = nullptr;
    gint status = 0;
    const int flags = G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL |
                      (output ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL);
    const bool ok = g_spawn_sync(nullptr, args.data(), nullptr, static_cast<GSpawnFlags>(flags), nullptr, nullptr,
                                 output ? &out : nullptr, nullptr, &status, &gerror) != FALSE;
    if (!ok) {
        if (error && gerror) *error = gerror->message;
        if (gerror) g_error_free(gerror);
        return -1;
    }
    if (output && out) *output = out;
    g_free(out);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

std::string FindProgram(const std::string& name) {
    gchar* found = g_find_program_in_path(name.c_str());
    if (found == nullptr) return {};
    std::string result(found);
    g_free(found);
    return result;
}

}  // namespace jv::process
