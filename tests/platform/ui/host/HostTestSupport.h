#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace jv::ui::host::test {

// Hands work to the GLib main context, standing in for the program's UI loop.
void PostToMainContext(std::function<void()> work);

// Iterates the default main context until `done` holds or `seconds` have passed; false on timeout.
bool RunUntil(const std::function<bool()>& done, double seconds = 10);

struct RawResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // lower-case names; repeated ones joined by "\n"
    std::string body;
};

// Sends one request exactly as written (`head` without the final blank line) to 127.0.0.1:port,
// from another thread while the main context runs, and reads the answer.
RawResponse SendRaw(int port, const std::string& head);

// A GET of `target` with the Host header of 127.0.0.1:port and the given extra header lines.
RawResponse Get(int port, const std::string& target, const std::string& extraHeaders = "");

}  // namespace jv::ui::host::test
