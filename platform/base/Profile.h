#pragma once

#include <string>

namespace jv {

// Per-user settings of one program (window placement, selected car, flags), kept in an INI file
// "<config home>/Jorvane Inc/<application>.ini". Every write saves the file at once through a
// temporary file and a rename, so a crash never leaves half a file. A file that does not read back
// whole is kept as "<application>.ini.bad" before a write replaces it.
class Profile {
public:
    explicit Profile(std::string application);

    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue = {}) const;
    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const;
    bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteProfileInt(const std::string& section, const std::string& key, int value);

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace jv
