#pragma once

#include <cstdarg>
#include <cstddef>

// Text output for code that runs inside a fatal-signal handler, where the heap, locks and stdio
// may be broken: formatting works on the caller's buffers and writes go straight to a file
// descriptor.
namespace jv::desktop {

// printf-style formatting into a fixed buffer, always terminated, cut when it does not fit.
// Understands the flags "-" and "0", a field width, a precision for %s, the length modifiers
// h, hh, l, ll and z, and the conversions d i u x X s c p and %%. No locale, no heap.
// Returns the length written (without the terminator).
size_t SafeFormat(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
size_t SafeFormatV(char* out, size_t size, const char* format, va_list args);

// A buffered writer to an open file descriptor with one fixed buffer. Pieces are formatted into
// the buffer; when the next byte would not fit, the buffer is written out first.
class SafeWriter {
public:
    static constexpr size_t kCapacity = 8192;

    explicit SafeWriter(int fd) : fd_(fd) {}
    ~SafeWriter() { Flush(); }
    SafeWriter(const SafeWriter&) = delete;
    SafeWriter& operator=(const SafeWriter&) = delete;

    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void PrintfV(const char* format, va_list args);
    void Write(const char* text);
    void Write(const char* data, size_t size);
    void Put(char c);
    // Writes out what the buffer holds. False when the file refused it.
    bool Flush();
    bool failed() const { return failed_; }

private:
    int fd_;
    size_t fill_ = 0;
    bool failed_ = false;
    char buffer_[kCapacity];
};

}  // namespace jv::desktop
