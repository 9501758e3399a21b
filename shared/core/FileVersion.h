#pragma once

#include <cstdint>
#include <string>

// The program's own version, as set by the build ("1.0.0.1"), or empty.
std::string& GetJVFullVersion(std::string& out);
// The version up to its first blank.
std::string& GetJVShortVersion(std::string& out);

// Version information of a file. Only this program's own files carry one (the build's version,
// company and product names); any other file gives zero versions and empty texts.
class CFileVersionInfo {
public:
    explicit CFileVersionInfo(const char* path);

    bool GetFileVersion(uint16_t& major, uint16_t& minor, uint16_t& build, uint16_t& privateBuild) const;
    bool GetProductVersion(uint16_t& major, uint16_t& minor, uint16_t& build, uint16_t& privateBuild) const;
    bool GetCompanyName(char* buffer, size_t size) const;
    bool GetProductName(char* buffer, size_t size) const;
    bool GetFileDescription(char* buffer, size_t size) const;
    void Release() { hasVersion_ = false; }

private:
    static bool CopyText(const std::string& text, char* buffer, size_t size);

    bool hasVersion_ = false;
    uint16_t fileVersion_[4] = {0, 0, 0, 0};
    uint16_t productVersion_[4] = {0, 0, 0, 0};
    std::string path_;
    std::string companyName_;
    std::string productName_;
    std::string fileDescription_;
};
