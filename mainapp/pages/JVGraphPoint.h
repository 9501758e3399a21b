#pragma once

#include <string>

#include "platform/base/DateTime.h"

// One point of a graph's series: its date, its value and, when not empty, the address a click on
// the point opens. Held by value in the series, which is in date order.
struct JVGraphPoint {
    JVGraphPoint() = default;
    JVGraphPoint(const jv::DateTime& date, float value, std::string label)
        : Date(date), Value(value), Label(std::move(label)) {}

    jv::DateTime Date;
    float Value = 0.0f;
    std::string Label;
};
