#pragma once

#include <string>

// A car make as the car-data service lists it.
class CMake {
public:
    std::string MakeID;
    std::string Make;

    bool operator==(const CMake&) const = default;
};
