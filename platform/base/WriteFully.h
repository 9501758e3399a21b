#pragma once

#include <cstddef>

namespace jv {

// Writes the whole buffer to the descriptor, retrying after interruptions. False on failure.
// Safe to call from a signal handler: it only calls write().
bool WriteFully(int fd, const char* data, size_t size);

}  // namespace jv
