#include "platform/base/PlatformError.h"

#include <utility>

namespace jv {

PlatformError::PlatformError(std::string source, std::string description, long code)
    : std::runtime_error(source + ": " + description),
      source_(std::move(source)),
      description_(std::move(description)),
      code_(code) {}

}  // namespace jv
