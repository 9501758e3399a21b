#pragma once

#include <string>

// A car model as the car-data service lists it.
class CModel {
public:
    std::string ModelID;
    std::string Model;

    bool operator==(const CModel&) const = default;
};
