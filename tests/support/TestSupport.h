#pragma once

#include <string>

namespace jv::test {

// A new empty folder under the temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets an environment variable for the lifetime of this object, restoring it afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string oldValue_;
};

// Points every per-user and machine-wide folder of the program into a new temporary folder.
class IsolatedHome {
public:
    IsolatedHome();
    const TempDir& dir() const { return dir_; }
    std::string LocalAppData() const { return dir_.File("local"); }
    std::string CommonAppData() const { return dir_.File("common"); }
    std::string Documents() const { return dir_.File("documents"); }
    std::string ConfigHome() const { return dir_.File("config"); }

private:
    TempDir dir_;
    ScopedEnv local_, common_, documents_, config_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace jv::test
