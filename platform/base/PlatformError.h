#pragma once

#include <stdexcept>
#include <string>

namespace jv {

// A failure of a platform layer, carrying what the caller logs: where it came from, what went
// wrong and a numeric code (errno, an SQLite result code, an HTTP status, ...).
class PlatformError : public std::runtime_error {
public:
    PlatformError(std::string source, std::string description, long code = 0);

    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }
    long code() const { return code_; }

private:
    std::string source_;
    std::string description_;
    long code_;
};

}  // namespace jv
