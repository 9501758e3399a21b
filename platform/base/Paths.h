#pragma once

#include <string>

// The folders the program keeps its files in, standing where the desktop's known folders stood.
// Each can be overridden by an environment variable, so tests never touch a real home folder:
//   JV_LOCAL_APPDATA   per-user application data     (default $XDG_DATA_HOME, ~/.local/share)
//   JV_COMMON_APPDATA  machine-wide application data (default the installed data folder)
//   JV_DOCUMENTS       the user's documents          (default the XDG documents folder)
//   JV_CONFIG_HOME     per-user settings             (default $XDG_CONFIG_HOME, ~/.config)
// An empty result means the folder could not be found.
namespace jv::paths {

std::string LocalAppData();
std::string CommonAppData();
std::string Documents();
std::string ConfigHome();
std::string RuntimeDir();  // $XDG_RUNTIME_DIR, or the temporary folder
std::string TempDir();     // $TMPDIR or /tmp
// The folder of the running program.
std::string ProgramDir();

// Joins two parts with exactly one "/" between them. Backslashes in `relative` (as written in
// configuration files) are turned into "/".
std::string Join(const std::string& base, const std::string& relative);
std::string DirName(const std::string& path);

// Creates every missing level of the folder (mode 0700 for new levels). True when it exists.
bool MakeSureDirectoryPathExists(const std::string& folder);

bool FileExists(const std::string& path);
// True when the disk that holds `folder` (or, for a folder not made yet, the nearest folder above
// it that is there) has no room left for this user's files: no block or no file entry.
bool IsDiskFull(const std::string& folder);
// Why the path cannot be used as a file the program reads and writes, in words ("it is a
// folder"); empty for a plain file, a link that leads to one, and a path where nothing is.
std::string WhyNotAPlainFile(const std::string& path);

}  // namespace jv::paths
