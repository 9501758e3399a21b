#include "shared/core/FileVersion.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#ifndef JV_VERSION
#define JV_VERSION ""
#endif

std::string& GetJVFullVersion(std::string& out) {
    out = JV_VERSION;
    return out;
}

std::string& GetJVShortVersion(std::string& out) {
    GetJVFullVersion(out);
    const size_t blank = out.find(' ');
    if (blank != std::string::npos) out.erase(blank);
    return out;
}

namespace {

void SplitVersion(const std::string& text, uint16_t parts[4]) {
    size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        parts[i] = static_cast<uint16_t>(std::strtoul(text.c_str() + pos, nullptr, 10));
        const size_t dot = text.find('.', pos);
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
}

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? std::string(resolved) : std::string();
}

}  // namespace

CFileVersionInfo::CFileVersionInfo(const char* path) {
    if (path == nullptr || *path == '\0') return;
    path_ = std::string(path).substr(0, 519);
    const std::string file = RealPath(path);
    if (file.empty() || file != RealPath("/proc/self/exe")) return;
    hasVersion_ = true;
    SplitVersion(JV_VERSION, fileVersion_);
    SplitVersion(JV_VERSION, productVersion_);
    companyName_ = "Jorvane Inc.";
    productName_ = "Jorvane";
    fileDescription_ = "Jorvane";
}

bool CFileVersionInfo::GetFileVersion(uint16_t& major, uint16_t& minor, uint16_t& build, uint16_t& privateBuild) const {
    major = fileVersion_[0];
    minor = fileVersion_[1];
    build = fileVersion_[2];
    privateBuild = fileVersion_[3];
    return true;
}

bool CFileVersionInfo::GetProductVersion(uint16_t& major, uint16_t& minor, uint16_t& build,
                                         uint16_t& privateBuild) const {
    major = productVersion_[0];
    minor = productVersion_[1];
    build = productVersion_[2];
    privateBuild = productVersion_[3];
    return true;
}

bool CFileVersionInfo::CopyText(const std::string& text, char* buffer, size_t size) {
    if (buffer == nullptr) return false;
    if (size == 0) return true;
    std::memset(buffer, 0, size);
    const size_t n = size >= 2 ? std::min(text.size(), size - 2) : 0;
    std::memcpy(buffer, text.data(), n);
    return true;
}

bool CFileVersionInfo::GetCompanyName(char* buffer, size_t size) const {
    return CopyText(companyName_, buffer, size);
}
bool CFileVersionInfo::GetProductName(char* buffer, size_t size) const {
    return CopyText(productName_, buffer, size);
}
bool CFileVersionInfo::GetFileDescription(char* buffer, size_t size) const {
    return CopyText(fileDescription_, buffer, size);
}
