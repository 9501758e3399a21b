#include "platform/ui/host/ScriptBridge.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace jv::ui::host {
namespace {

using nlohmann::json;

struct Logged {
    std::vector<std::string> lines;
    LogSink Sink() {
        return [this](const std::string& source, int level, const std::string& message) {
            lines.push_back(source + "|" + std::to_string(level) + "|" + message);
        };
    }
};

TEST(ScriptBridge, ConvertsScriptValuesAsTheAutomationLayerDid) {
    struct Case {
        json value;
        ArgType type;
        std::optional<ScriptArgs::Value> expected;  // nullopt: cannot be converted
    };
    const Case cases[] = {
        {"abc", ArgType::Text, std::string("abc")},
        {12, ArgType::Text, std::string("12")},
        {-3.5, ArgType::Text, std::string("-3.5")},
        {0.1, ArgType::Text, std::string("0.1")},
        {true, ArgType::Text, std::string("true")},
        {nullptr, ArgType::Text, std::string("")},
        {"42", ArgType::Int32, int32_t{42}},
        {" 42 ", ArgType::Int32, int32_t{42}},
        {"+7", ArgType::Int32, int32_t{7}},
        {"", ArgType::Int32, int32_t{0}},
        {2.5, ArgType::Int32, int32_t{2}},
        {3.5, ArgType::Int32, int32_t{4}},
        {-1.6, ArgType::Int32, int32_t{-2}},
        {true, ArgType::Int32, int32_t{-1}},
        {false, ArgType::Int32, int32_t{0}},
        {nullptr, ArgType::Int32, int32_t{0}},
        {"12abc", ArgType::Int32, std::nullopt},
        {"1,5", ArgType::Int32, std::nullopt},
        {3e10, ArgType::Int32, std::nullopt},
        {json::array(), ArgType::Int32, std::nullopt},
        {"5", ArgType::Int16, int16_t{5}},
        {40000, ArgType::Int16, std::nullopt},
        {-32768, ArgType::Int16, int16_t{-32768}},
        {"1234.5", ArgType::Float, 1234.5f},
        {1234.5, ArgType::Float, 1234.5f},
        {"1.234,5", ArgType::Float, std::nullopt},
        {1e300, ArgType::Float, std::nullopt},
        {true, ArgType::Boolean, true},
        {0, ArgType::Boolean, false},
        {-1, ArgType::Boolean, true},
        {"false", ArgType::Boolean, false},
        {"True", ArgType::Boolean, true},
        {"1", ArgType::Boolean, true},
        {"", ArgType::Boolean, false},
        {nullptr, ArgType::Boolean, false},
        {"maybe", ArgType::Boolean, std::nullopt},
    };
    for (const auto& c : cases) {
        ScriptArgs::Value out;
        const bool converted = ScriptBridge::Convert(c.value, c.type, out);
        EXPECT_EQ(converted, c.expected.has_value()) << c.value.dump() << " as type " << static_cast<int>(c.type);
        if (converted && c.expected) {
            EXPECT_EQ(out, *c.expected) << c.value.dump();
        }
    }
}

TEST(ScriptBridge, CallsTheHandlerWithTypedArguments) {
    ScriptBridge bridge;
    std::string gotText;
    int32_t gotNumber = 0;
    float gotFloat = 0;
    bool gotFlag = false;
    bridge.Add("SaveThing", std::function<void(const std::string&, int32_t, float, bool)>(
                                [&](const std::string& text, int32_t number, float value, bool flag) {
                                    gotText = text;
                                    gotNumber = number;
                                    gotFloat = value;
                                    gotFlag = flag;
                                }));
    bridge.Call("SaveThing", json::array({"Shell", "17", 2.25, true}));
    EXPECT_EQ(gotText, "Shell");
    EXPECT_EQ(gotNumber, 17);
    EXPECT_FLOAT_EQ(gotFloat, 2.25f);
    EXPECT_TRUE(gotFlag);
}

TEST(ScriptBridge, ACallNeverFailsTowardTheScript) {
    Logged logged;
    ScriptBridge bridge(logged.Sink());
    int calls = 0;
    bridge.Add("One", {ArgType::Int32}, [&](const ScriptArgs&) { ++calls; });
    bridge.Add("Throws", {}, [&](const ScriptArgs&) { throw std::runtime_error("disk full"); });

    struct Case {
        const char* method;
        json args;
        const char* logged;
    };
    const Case cases[] = {
        {"Missing", json::array(), "Unknown script method Missing"},
        {"One", json::array(), "One takes 1 arguments, the script passed 0"},
        {"One", json::array({1, 2}), "One takes 1 arguments, the script passed 2"},
        {"One", json::array({"x"}), "One: argument 1 cannot be converted: \"x\""},
        {"Throws", json::array(), "Throws failed: disk full"},
    };
    for (const auto& c : cases) {
        logged.lines.clear();
        EXPECT_NO_THROW(bridge.Call(c.method, c.args));
        ASSERT_EQ(logged.lines.size(), 1u) << c.method;
        EXPECT_EQ(logged.lines[0], std::string("ScriptBridge::Call|2|") + c.logged);
    }
    EXPECT_EQ(calls, 0);
    bridge.Call("One", json::array({"3"}));
    EXPECT_EQ(calls, 1);
}

TEST(ScriptBridge, GeneratesOneFunctionPerMethodWithItsArity) {
    Logged logged;
    ScriptBridge bridge(logged.Sink());
    bridge.Add("Back", {}, [](const ScriptArgs&) {});
    bridge.Add("SaveOdometerValue", {ArgType::Text, ArgType::Text, ArgType::Text, ArgType::Text},
               [](const ScriptArgs&) {});
    bridge.Add("bad name();", {}, [](const ScriptArgs&) {});
    EXPECT_EQ(bridge.size(), 2u);
    EXPECT_EQ(logged.lines.size(), 1u);

    const std::string script = bridge.GenerateScript();
    EXPECT_NE(script.find("external.Back = function () { return call(\"Back\""), std::string::npos) << script;
    EXPECT_NE(script.find("external.SaveOdometerValue = function (a0, a1, a2, a3) { return call(\"SaveOdometerValue\""),
              std::string::npos)
        << script;
    EXPECT_EQ(script.find("bad name"), std::string::npos);
}

}  // namespace
}  // namespace jv::ui::host
