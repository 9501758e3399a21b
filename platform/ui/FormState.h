#pragma once

#include <optional>
#include <string>

namespace jv::ui {

// The state of one form control as the browser reports it: what the user typed, ticked or chose.
// Only the fields that are set are applied (Document::ApplyFormState), and only to controls the
// user can change; whether a control is enabled is the program's to say, never the browser's.
struct FormState {
    std::optional<std::string> value;  // input, textarea
    std::optional<bool> checked;       // input (checkbox, radio)
    std::optional<bool> selected;      // option
    std::optional<int> selectedIndex;  // select (-1 for none)
};

}  // namespace jv::ui
