#include "platform/base/Profile.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <cstdio>
#include <memory>
#include <utility>

#include "platform/base/NumberText.h"
#include "platform/base/Paths.h"

namespace jv {
namespace {

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// What of the file can be read. *unreadable tells whether the file exists but did not read
// back whole (the reading stops at the first line it does not understand).
KeyFilePtr Load(const std::string& path, bool* unreadable = nullptr) {
    KeyFilePtr file(g_key_file_new());
    GError* error = nullptr;
    const bool loaded = g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_KEEP_COMMENTS, &error) != FALSE;
    if (unreadable) *unreadable = !loaded && !g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    if (error) g_error_free(error);
    return file;
}

}  // namespace

Profile::Profile(std::string application) {
    const std::string home = paths::ConfigHome();
    if (!home.empty()) path_ = paths::Join(paths::Join(home, "Jorvane Inc"), application + ".ini");
}

std::string Profile::GetProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    if (path_.empty()) return defaultValue;
    KeyFilePtr file = Load(path_);
    gchar* value = g_key_file_get_string(file.get(), section.c_str(), key.c_str(), nullptr);
    if (value == nullptr) return defaultValue;
    std::string result(value);
    g_free(value);
    return result;
}

int Profile::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const {
    const std::string text = GetProfileString(section, key);
    auto value = number::ParseInt(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return defaultValue;
    return static_cast<int>(*value);
}

bool Profile::WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    if (path_.empty() || !paths::MakeSureDirectoryPathExists(paths::DirName(path_))) return false;
    bool unreadable = false;
    KeyFilePtr file = Load(path_, &unreadable);
    // Saving would drop whatever stands behind the line the reading stopped at (a file edited by
    // hand, say): the whole file is kept beside the new one first.
    if (unreadable && std::rename(path_.c_str(), (path_ + ".bad").c_str()) != 0) return false;
    g_key_file_set_string(file.get(), section.c_str(), key.c_str(), value.c_str());
    // g_key_file_save_to_file writes a temporary file and renames it over the old one.
    return g_key_file_save_to_file(file.get(), path_.c_str(), nullptr) != FALSE;
}

bool Profile::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteProfileString(section, key, number::FormatInt(value));
}

}  // namespace jv
