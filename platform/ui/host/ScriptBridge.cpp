#include "platform/ui/host/ScriptBridge.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace jv::ui::host {
namespace {

bool IsIdentifier(const std::string& name) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0)) return false;
    }
    return true;
}

// A number typed as text, read in the C locale as the automation layer read it: blanks around it
// are allowed, anything else after it is not. An empty text is 0.
bool ParseNumber(const std::string& text, double& out) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        out = 0;
        return true;
    }
    const auto end = text.find_last_not_of(" \t\r\n") + 1;
    const char* first = text.data() + begin;
    if (*first == '+') ++first;
    const char* last = text.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last && std::isfinite(out);
}

// What a script number reads as in a text parameter: integers without a decimal point, other
// numbers with up to 15 significant digits.
std::string NumberText(double value) {
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string();
}

// A script value as a number: booleans as the automation layer's true (-1) and false (0),
// null and undefined as 0.
bool NumberOf(const nlohmann::json& value, double& out) {
    if (value.is_number()) {
        out = value.get<double>();
        return std::isfinite(out);
    }
    if (value.is_boolean()) {
        out = value.get<bool>() ? -1 : 0;
        return true;
    }
    if (value.is_null()) {
        out = 0;
        return true;
    }
    if (value.is_string()) return ParseNumber(value.get<std::string>(), out);
    return false;
}

}  // namespace

void ScriptBridge::Log(const std::string& message) const {
    if (log_) log_("ScriptBridge::Call", 2, message);
}

void ScriptBridge::Add(const std::string& name, std::vector<ArgType> params, Handler handler) {
    AddAnswering(name, std::move(params), [handler = std::move(handler)](const ScriptArgs& args) {
        handler(args);
        return nlohmann::json();
    });
}

void ScriptBridge::AddAnswering(const std::string& name, std::vector<ArgType> params, AnsweringHandler handler) {
    if (!IsIdentifier(name)) {
        if (log_) log_("ScriptBridge::Add", 2, "Not a script method name: " + name);
        return;
    }
    methods_[name] = Method{std::move(params), std::move(handler)};
}

bool ScriptBridge::Convert(const nlohmann::json& value, ArgType type, ScriptArgs::Value& out) {
    double number = 0;
    switch (type) {
        case ArgType::Text:
            if (value.is_string())
                out = value.get<std::string>();
            else if (value.is_boolean())
                out = std::string(value.get<bool>() ? "true" : "false");
            else if (value.is_null())
                out = std::string();
            else if (value.is_number())
                out = NumberText(value.get<double>());
            else
                return false;
            return true;
        case ArgType::Int32:
            if (!NumberOf(value, number)) return false;
            number = std::nearbyint(number);
            if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
                return false;
            out = static_cast<int32_t>(number);
            return true;
        case ArgType::Int16:
            if (!NumberOf(value, number)) return false;
            number = std::nearbyint(number);
            if (number < std::numeric_limits<int16_t>::min() || number > std::numeric_limits<int16_t>::max())
                return false;
            out = static_cast<int16_t>(number);
            return true;
        case ArgType::Float:
            if (!NumberOf(value, number) || std::fabs(number) > std::numeric_limits<float>::max()) return false;
            out = static_cast<float>(number);
            return true;
        case ArgType::Double:
            if (!NumberOf(value, number) || !std::isfinite(number)) return false;
            out = number;
            return true;
        case ArgType::Boolean:
            if (value.is_boolean()) {
                out = value.get<bool>();
                return true;
            }
            if (value.is_string()) {
                const std::string text = value.get<std::string>();
                if (text == "true" || text == "True" || text == "TRUE") {
                    out = true;
                    return true;
                }
                if (text == "false" || text == "False" || text == "FALSE") {
                    out = false;
                    return true;
                }
            }
            if (!NumberOf(value, number)) return false;
            out = number != 0;
            return true;
    }
    return false;
}

nlohmann::json ScriptBridge::Call(const std::string& name, const nlohmann::json& args) const {
    const auto found = methods_.find(name);
    if (found == methods_.end()) {
        Log("Unknown script method " + name);
        return nullptr;
    }
    const Method& method = found->second;
    const size_t given = args.is_array() ? args.size() : 0;
    if (given != method.params.size()) {
        Log(name + " takes " + std::to_string(method.params.size()) + " arguments, the script passed " +
            std::to_string(given));
        return nullptr;
    }
    std::vector<ScriptArgs::Value> values(given);
    for (size_t i = 0; i < given; ++i) {
        if (!Convert(args[i], method.params[i], values[i])) {
            Log(name + ": argument " + std::to_string(i + 1) +
                " cannot be converted: " + args[i].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
            return nullptr;
        }
    }
    try {
        return method.handler(ScriptArgs(std::move(values)));
    } catch (const std::exception& e) {
        Log(name + " failed: " + e.what());
    } catch (...) {
        Log(name + " failed");
    }
    return nullptr;
}

std::string ScriptBridge::GenerateScript() const {
    std::string script =
        "// The program's script methods, generated from its method table.\n"
        "window.jvMakeExternal = function (call) {\n"
        "  var external = {};\n";
    for (const auto& [name, method] : methods_) {
        std::string params;
        for (size_t i = 0; i < method.params.size(); ++i) params += (i ? ", a" : "a") + std::to_string(i);
        script += "  external." + name + " = function (" + params + ") { return call(\"" + name +
                  "\", Array.prototype.slice.call(arguments)); };\n";
    }
    script +=
        "  return Object.freeze(external);\n"
        "};\n";
    return script;
}

}  // namespace jv::ui::host
