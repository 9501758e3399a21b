#include "platform/base/BrowserVersion.h"

#include <atomic>
#include <cstring>

namespace jv {
namespace {

constexpr size_t kLongest = 128;

// Nothing learned yet, being written, published.
enum State : int { kUnknown, kWriting, kKnown };
std::atomic<int> g_state{kUnknown};
char g_text[kLongest];

bool IsVersionChar(char c) {
    return (c >= '0' && c <= '9') || c == '.';
}

}  // namespace

std::string_view BrowserVersion::Parse(std::string_view userAgent, char* buffer, size_t size) {
    // The most particular product first: Edge and Opera also call themselves Chrome, Chrome also
    // calls itself Safari.
    struct Product {
        const char* token;
        const char* name;
    };
    static constexpr Product kProducts[] = {
        {"Edg/", "Edge"},      {"OPR/", "Opera"},       {"HeadlessChrome/", "Chrome"}, {"Chromium/", "Chromium"},
        {"Chrome/", "Chrome"}, {"Firefox/", "Firefox"}, {"Version/", "Safari"},
    };
    for (const Product& product : kProducts) {
        const std::string_view token = product.token;
        size_t at = userAgent.find(token);
        // A token starts a word: "XChrome/" is not Chrome.
        while (at != std::string_view::npos && at > 0 && userAgent[at - 1] != ' ' && userAgent[at - 1] != '(') {
            at = userAgent.find(token, at + 1);
        }
        if (at == std::string_view::npos) continue;
        const size_t start = at + token.size();
        size_t end = start;
        while (end < userAgent.size() && IsVersionChar(userAgent[end])) ++end;
        if (end == start || userAgent[start] == '.') continue;
        const size_t nameLength = std::strlen(product.name);
        const size_t length = nameLength + 1 + (end - start);
        if (length >= size) return {};
        std::memcpy(buffer, product.name, nameLength);
        buffer[nameLength] = ' ';
        std::memcpy(buffer + nameLength + 1, userAgent.data() + start, end - start);
        buffer[length] = '\0';
        return std::string_view(buffer, length);
    }
    return {};
}

void BrowserVersion::Learn(std::string_view userAgent) {
    if (g_state.load(std::memory_order_acquire) != kUnknown) return;
    char text[kLongest];
    if (Parse(userAgent, text, sizeof text).empty()) return;
    int expected = kUnknown;
    if (!g_state.compare_exchange_strong(expected, kWriting, std::memory_order_acq_rel)) return;
    std::memcpy(g_text, text, sizeof g_text);
    g_state.store(kKnown, std::memory_order_release);
}

const char* BrowserVersion::Known() {
    return g_state.load(std::memory_order_acquire) == kKnown ? g_text : nullptr;
}

}  // namespace jv
