#include "platform/desktop/SafeWriter.h"

#include "platform/base/WriteFully.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace jv::desktop {
namespace {

// Where formatted bytes go: a fixed text buffer or the writer.
class Sink {
public:
    virtual void Put(char c) = 0;

protected:
    ~Sink() = default;
};

class BufferSink final : public Sink {
public:
    BufferSink(char* out, size_t size) : out_(out), size_(size) {}
    void Put(char c) override {
        if (length_ + 1 < size_) out_[length_++] = c;
    }
    size_t Finish() {
        if (size_ > 0) out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    size_t size_;
    size_t length_ = 0;
};

class WriterSink final : public Sink {
public:
    explicit WriterSink(SafeWriter& writer) : writer_(writer) {}
    void Put(char c) override { writer_.Put(c); }

private:
    SafeWriter& writer_;
};

struct Spec {
    bool leftAlign = false;
    bool zeroPad = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
};

void Padding(Sink& sink, size_t length, const Spec& spec, char fill) {
    for (size_t i = length; i < spec.width; ++i) sink.Put(fill);
}

void Text(Sink& sink, const char* text, const Spec& spec) {
    if (text == nullptr) text = "(null)";
    size_t length = 0;
    while (text[length] != '\0' && (!spec.hasPrecision || length < spec.precision)) ++length;
    if (!spec.leftAlign) Padding(sink, length, spec, ' ');
    for (size_t i = 0; i < length; ++i) sink.Put(text[i]);
    if (spec.leftAlign) Padding(sink, length, spec, ' ');
}

void Number(Sink& sink, uint64_t value, bool negative, unsigned base, bool upper, const Spec& spec) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    size_t count = 0;
    do {
        reversed[count++] = digits[value % base];
        value /= base;
    } while (value != 0);
    const size_t length = count + (negative ? 1 : 0);
    if (spec.leftAlign) {
        if (negative) sink.Put('-');
        while (count > 0) sink.Put(reversed[--count]);
        Padding(sink, length, spec, ' ');
        return;
    }
    if (spec.zeroPad) {
        if (negative) sink.Put('-');
        Padding(sink, length, spec, '0');
    } else {
        Padding(sink, length, spec, ' ');
        if (negative) sink.Put('-');
    }
    while (count > 0) sink.Put(reversed[--count]);
}

enum class Length { kInt, kChar, kShort, kLong, kLongLong, kSize };

int64_t SignedArgument(va_list* args, Length length) {
    switch (length) {
        case Length::kChar:
            return static_cast<signed char>(va_arg(*args, int));
        case Length::kShort:
            return static_cast<short>(va_arg(*args, int));
        case Length::kLong:
            return va_arg(*args, long);
        case Length::kLongLong:
            return va_arg(*args, long long);
        case Length::kSize:
            return va_arg(*args, ssize_t);
        case Length::kInt:
            break;
    }
    return va_arg(*args, int);
}

uint64_t UnsignedArgument(va_list* args, Length length) {
    switch (length) {
        case Length::kChar:
            return static_cast<unsigned char>(va_arg(*args, unsigned));
        case Length::kShort:
            return static_cast<unsigned short>(va_arg(*args, unsigned));
        case Length::kLong:
            return va_arg(*args, unsigned long);
        case Length::kLongLong:
            return va_arg(*args, unsigned long long);
        case Length::kSize:
            return va_arg(*args, size_t);
        case Length::kInt:
            break;
    }
    return va_arg(*args, unsigned);
}

size_t ReadDecimal(const char*& p) {
    size_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<size_t>(*p++ - '0');
    return value;
}

void Format(Sink& sink, const char* format, va_list* args) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            sink.Put(*p);
            continue;
        }
        ++p;
        Spec spec;
        for (;; ++p) {
            if (*p == '-') {
                spec.leftAlign = true;
            } else if (*p == '0') {
                spec.zeroPad = true;
            } else {
                break;
            }
        }
        spec.width = ReadDecimal(p);
        if (*p == '.') {
            ++p;
            spec.hasPrecision = true;
            spec.precision = ReadDecimal(p);
        }
        Length length = Length::kInt;
        if (*p == 'h') {
            length = p[1] == 'h' ? Length::kChar : Length::kShort;
            p += p[1] == 'h' ? 2 : 1;
        } else if (*p == 'l') {
            length = p[1] == 'l' ? Length::kLongLong : Length::kLong;
            p += p[1] == 'l' ? 2 : 1;
        } else if (*p == 'z') {
            length = Length::kSize;
            ++p;
        }
        switch (*p) {
            case 'd':
            case 'i': {
                const int64_t value = SignedArgument(args, length);
                const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
                Number(sink, magnitude, value < 0, 10, false, spec);
                break;
            }
            case 'u':
                Number(sink, UnsignedArgument(args, length), false, 10, false, spec);
                break;
            case 'x':
                Number(sink, UnsignedArgument(args, length), false, 16, false, spec);
                break;
            case 'X':
                Number(sink, UnsignedArgument(args, length), false, 16, true, spec);
                break;
            case 'p':
                sink.Put('0');
                sink.Put('x');
                Number(sink, reinterpret_cast<uintptr_t>(va_arg(*args, void*)), false, 16, false, spec);
                break;
            case 's':
                Text(sink, va_arg(*args, const char*), spec);
                break;
            case 'c': {
                const char text[2] = {static_cast<char>(va_arg(*args, int)), '\0'};
                Text(sink, text, spec);
                break;
            }
            case '%':
                sink.Put('%');
                break;
            case '\0':
                return;
            default:  // not understood: shown as written
                sink.Put('%');
                sink.Put(*p);
                break;
        }
    }
}

}  // namespace

size_t SafeFormatV(char* out, size_t size, const char* format, va_list args) {
    BufferSink sink(out, size);
    va_list copy;
    va_copy(copy, args);
    Format(sink, format, &copy);
    va_end(copy);
    return sink.Finish();
}

size_t SafeFormat(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t length = SafeFormatV(out, size, format, args);
    va_end(args);
    return length;
}

void SafeWriter::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintfV(format, args);
    va_end(args);
}

void SafeWriter::PrintfV(const char* format, va_list args) {
    WriterSink sink(*this);
    va_list copy;
    va_copy(copy, args);
    Format(sink, format, &copy);
    va_end(copy);
}

void SafeWriter::Write(const char* text) {
    if (text != nullptr) Write(text, std::strlen(text));
}

void SafeWriter::Write(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) Put(data[i]);
}

void SafeWriter::Put(char c) {
    if (fill_ == kCapacity) Flush();
    buffer_[fill_++] = c;
}

bool SafeWriter::Flush() {
    if (fill_ > 0 && !failed_) failed_ = !WriteFully(fd_, buffer_, fill_);
    fill_ = 0;
    return !failed_;
}

}  // namespace jv::desktop
