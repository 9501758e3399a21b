#include "shared/data/UserPreferences.h"

#include <cmath>
#include <limits>

namespace {

// Truncates toward zero to a multiple of step, as whole numbers: 8046.5 with step 50 gives 8000.
double CutToStep(double value, int step) {
    if (!std::isfinite(value)) return 0.0;
    const double steps = std::trunc(value / step);
    // The count of steps is a 32-bit number; clamp rather than overflow on absurd distances.
    const double limit = std::numeric_limits<int>::max();
    const double clamped = std::fmax(-limit, std::fmin(limit, steps));
    return static_cast<double>(static_cast<long long>(clamped) * step);
}

std::string UnitName(const char* capitalised, const char* lower, bool useCapital, bool plural) {
    std::string name = useCapital ? capitalised : lower;
    if (plural) name += 's';
    return name;
}

}  // namespace

double CUserPreferences::ConvertDistance(double miles, int step) const {
    double value = miles;
    if (UsesKilometres()) value *= kKilometresPerMile;
    if (step != 0) value = CutToStep(value, step);
    return value;
}

double CUserPreferences::ConvertDistanceRounded(double miles, int step) const {
    if (!UsesKilometres()) return miles;
    return ConvertDistance(miles, step);
}

std::string CUserPreferences::GetDistanceUnitName(bool capitalised, bool plural) const {
    return UsesKilometres() ? UnitName("Kilometre", "kilometre", capitalised, plural)
                            : UnitName("Mile", "mile", capitalised, plural);
}

std::string CUserPreferences::GetVolumeUnitName(bool capitalised, bool plural) const {
    return UsesLitres() ? UnitName("Litre", "litre", capitalised, plural)
                        : UnitName("Gallon", "gallon", capitalised, plural);
}
