#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/host/ScriptBridge.h"

class CJorvaneView;

// One method that page scripts call through `window.external`: its name, its parameters, the
// page it belongs to (0: the view answers it itself; kRegisterPages: any of the registers) and what
// it does, run only while that page is the workspace page.
struct JorvaneScriptMethod {
    static constexpr int kOwn = 0;
    static constexpr int kRegisterPages = -1;
    using Handler = std::function<void(CJorvaneView& view, const jv::ui::host::ScriptArgs& args)>;

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
