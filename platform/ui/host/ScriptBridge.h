#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ui/host/HostLog.h"

namespace jv::ui::host {

// The type a script method takes an argument as. Page scripts pass whatever they hold; the
// bridge converts it as the browser's automation layer did.
enum class ArgType { Text, Int32, Int16, Float, Boolean, Double };

// The arguments of one call, converted to the method's declared types.
class ScriptArgs {
public:
    using Value = std::variant<std::string, int32_t, int16_t, float, bool, double>;

    explicit ScriptArgs(std::vector<Value> values) : values_(std::move(values)) {}
    size_t size() const { return values_.size(); }
    const std::string& Text(size_t i) const { return std::get<std::string>(values_.at(i)); }
    int32_t Int32(size_t i) const { return std::get<int32_t>(values_.at(i)); }
    int16_t Int16(size_t i) const { return std::get<int16_t>(values_.at(i)); }
    float Float(size_t i) const { return std::get<float>(values_.at(i)); }
    bool Boolean(size_t i) const { return std::get<bool>(values_.at(i)); }
    double Double(size_t i) const { return std::get<double>(values_.at(i)); }

    template <typename T>
    const T& Get(size_t i) const {
        return std::get<T>(values_.at(i));
    }

private:
    std::vector<Value> values_;
};

// The table of methods that page scripts reach through `window.external`. The JavaScript side is
// generated from it (GenerateScript), so names and arities have one source. A call never fails
// toward the script: an unknown method, a wrong number of arguments, an argument that cannot be
// converted or an exception in the handler is logged and the call ends normally, with no answer.
class ScriptBridge {
public:
    using Handler = std::function<void(const ScriptArgs&)>;
    // A method that answers its call: what it returns is the value the script's call resolves
    // with (null: none, the script sees undefined).
    using AnsweringHandler = std::function<nlohmann::json(const ScriptArgs&)>;

    explicit ScriptBridge(LogSink log = {}) : log_(std::move(log)) {}

    // Adds (or replaces) a method. A name that is not a script identifier is refused and logged.
    void Add(const std::string& name, std::vector<ArgType> params, Handler handler);
    void AddAnswering(const std::string& name, std::vector<ArgType> params, AnsweringHandler handler);

    // Adds a method whose parameter types are those of `function`'s parameters
    // (std::string, int32_t, int16_t, float, double, bool).
    template <typename... Args>
    void Add(const std::string& name, std::function<void(Args...)> function) {
        Add(name, {TypeOf<std::remove_cvref_t<Args>>()...}, [function = std::move(function)](const ScriptArgs& args) {
            Invoke(function, args, std::index_sequence_for<Args...>{});
        });
    }

    // Marks a method whose calls from one page each overtake the ones before: of the calls that
    // wait their turn, only the newest runs, and the others are answered without running (a page
    // that asks for what it shows now, as it scrolls).
    void SetNewestOnly(const std::string& name) { newestOnly_.insert(name); }
    bool NewestOnly(const std::string& name) const { return newestOnly_.count(name) != 0; }

    bool Has(const std::string& name) const { return methods_.count(name) != 0; }
    size_t size() const { return methods_.size(); }

    // The script that builds the external object: `window.jvMakeExternal(call)` returns an object
    // with one function per method, each with the declared number of parameters, which hands
    // (name, arguments) to `call` and returns what it returns.
    std::string GenerateScript() const;

    // Runs one call from a page. `args` is the JSON array of the script's arguments. Gives the
    // method's answer; null when it has none or the call did not run.
    nlohmann::json Call(const std::string& name, const nlohmann::json& args) const;

    // Converts one script value to a declared type; false when it cannot be converted.
    static bool Convert(const nlohmann::json& value, ArgType type, ScriptArgs::Value& out);

private:
    struct Method {
        std::vector<ArgType> params;
        AnsweringHandler handler;
    };

    template <typename T>
    static constexpr ArgType TypeOf() {
        if constexpr (std::is_same_v<T, std::string>)
            return ArgType::Text;
        else if constexpr (std::is_same_v<T, int32_t>)
            return ArgType::Int32;
        else if constexpr (std::is_same_v<T, int16_t>)
            return ArgType::Int16;
        else if constexpr (std::is_same_v<T, float>)
            return ArgType::Float;
        else if constexpr (std::is_same_v<T, double>)
            return ArgType::Double;
        else {
            static_assert(std::is_same_v<T, bool>, "script methods take texts, integers, numbers and booleans");
            return ArgType::Boolean;
        }
    }

    template <typename... Args, size_t... I>
    static void Invoke(const std::function<void(Args...)>& function, const ScriptArgs& args,
                       std::index_sequence<I...>) {
        function(args.Get<std::remove_cvref_t<Args>>(I)...);
    }

    void Log(const std::string& message) const;

    LogSink log_;
    std::map<std::string, Method> methods_;
    std::set<std::string> newestOnly_;
};

}  // namespace jv::ui::host
