#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ui/host/ScriptBridge.h"

class CJorvaneView;

// One method that page scripts call through `window.external`: its name, its parameters, the
// page it belongs to (0: the view answers it itself; kRegisterPages: any of the registers) and what
// it does, run only while that page is the workspace page and only for a call from that page's
// document. A method that works something out for its page returns it: the value the script's call
// resolves with.
struct JorvaneScriptMethod {
    static constexpr int kOwn = 0;
    static constexpr int kRegisterPages = -1;

    class Handler {
    public:
        using Function = std::function<nlohmann::json(CJorvaneView& view, const jv::ui::host::ScriptArgs& args)>;

        template <class F>
            requires(!std::same_as<std::remove_cvref_t<F>, Handler>)
        Handler(F function) {  // NOLINT(google-explicit-constructor): the table is written with lambdas
            if constexpr (std::is_void_v<std::invoke_result_t<F&, CJorvaneView&, const jv::ui::host::ScriptArgs&>>) {
                function_ = [function = std::move(function)](CJorvaneView& view,
                                                             const jv::ui::host::ScriptArgs& args) {
                    function(view, args);
                    return nlohmann::json();
                };
            } else {
                function_ = std::move(function);
            }
        }
        nlohmann::json operator()(CJorvaneView& view, const jv::ui::host::ScriptArgs& args) const {
            return function_(view, args);
        }
        explicit operator bool() const { return static_cast<bool>(function_); }

    private:
        Function function_;
    };

    const char* name;
    std::vector<jv::ui::host::ArgType> params;
    int pageId;
    Handler handler;
};

// The main program's scripting object: every script method, names and handlers in one table from
// which both the bridge's method table and the page scripts' wrappers (ComCallbacks.js) are made. A call never
// fails towards the script; one that finds no view or no suitable page does nothing.
class CJorvaneCOMObj {
public:
    CJorvaneCOMObj() = default;

    // The methods in their order.
    static const std::vector<JorvaneScriptMethod>& Methods();
    // The wrappers the frameset's pages call (parent.SaveFuelData(...)), one per method.
    static std::string ComCallbacksScript();

    void SetView(CJorvaneView* view) { m_pView = view; }
    // Puts every method into the bridge.
    void Register(jv::ui::host::ScriptBridge& bridge);

private:
    CJorvaneView* m_pView = nullptr;
};
