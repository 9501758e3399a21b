#pragma once

#include <optional>
#include <string>

#include "platform/base/DateTime.h"

// Checks the texts that a register page hands to a database operation before any of them reaches
// SQL: row ids are digits only, VehicleIDs GUID text, dates month/day/year, numbers plain decimal
// text (the page has already read them in the user's locale). The first value refused is written
// to the trace log and reported under the operation's name, and the operation then writes nothing.
class CRowValues {
public:
    CRowValues(std::string method, int reportLine);

    // False once a value was refused.
    bool IsValid() const { return m_valid; }

    // A record id; refused unless digits only.
    bool RowID(const std::string& text);
    // A car's VehicleID; refused when empty or not GUID text. With `optional`, empty is accepted.
    bool VehicleID(const std::string& text, bool optional = false);
    // A date, required.
    std::optional<jv::DateTime> Date(const std::string& text);
    // A number for a "single" column (every amount and odometer of the registers); empty when
    // the text is empty (not given) or refused. A number beyond what a 32-bit float holds is
    // refused: stored, it would make every later listing of its register fail.
    std::optional<double> Number(const std::string& name, const std::string& text);
    // A whole number of 32 bits; empty when the text is empty (not given) or refused.
    std::optional<int> Integer(const std::string& name, const std::string& text);

private:
    void Refuse(const std::string& message);

    std::string m_method;
    int m_reportLine;
    bool m_valid = true;
};
