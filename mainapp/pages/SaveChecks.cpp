#include "mainapp/pages/SaveChecks.h"

#include <cmath>
#include <cstdlib>

namespace savechecks {

namespace {

double RoundTo(double value, int digits) {
    const double scale = std::pow(10.0, digits);
    return std::round(value * scale + (value >= 0 ? 1e-9 : -1e-9)) / scale;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

const char* const kServiceCostQuestion =
    "The Cost value doesn't match the Parts, Labor, Other and Tax values.  Do you want to save anyway?";

double ServiceCostWorkedOut(const ServiceAmounts& amounts, bool costFollows) {
    const bool details = amounts.parts != 0 || amounts.labor != 0 || amounts.other != 0 || amounts.tax != 0;
    const double sum = RoundTo(amounts.parts + amounts.labor + amounts.other + amounts.tax, 2);
    if (!details || !(costFollows || amounts.cost == 0) || std::fabs(amounts.cost - sum) <= 0.005) return amounts.cost;
    return sum;
}

bool ServiceCostDiffers(const ServiceAmounts& amounts) {
    const bool details = amounts.parts != 0 || amounts.labor != 0 || amounts.other != 0 || amounts.tax != 0;
    const double sum = amounts.parts + amounts.labor + amounts.other + amounts.tax;
    return details && std::fabs(amounts.cost - sum) > 0.005;
}

FuelReading FuelReadingWorkedOut(const FuelReading& typed, std::optional<double> previousOdometer) {
    FuelReading result = typed;
    if (!previousOdometer || *previousOdometer <= 0) return result;
    const double previous = *previousOdometer;
    if (typed.odometer > 0 && typed.distance <= 0) {
        if (typed.odometer >= previous) result.distance = RoundTo(typed.odometer - previous, 1);
    } else if (typed.distance > 0 && typed.odometer <= 0) {
        result.odometer = RoundTo(previous + typed.distance, 1);
    } else if (typed.odometer > 0 && typed.distance > 0 && typed.odometer >= previous) {
        // Both given and agreeing: as the page shows the worked-out one.
        const double distance = typed.odometer - previous;
        if (std::fabs(typed.distance - distance) <= 0.05) result.distance = RoundTo(distance, 1);
    }
    return result;
}

namespace {

// The three as the page works them out, before it shows them rounded.
FuelAmounts SettledAmounts(const FuelAmounts& typed, const std::vector<std::string>& typedOrder) {
    FuelAmounts result = typed;
    const bool volume = typed.volume != 0;
    const bool costPer = typed.costPer != 0;
    const bool cost = typed.cost != 0;
    const int given = volume + costPer + cost;
    if (given < 2) return result;
    std::string worked;
    if (given == 2) {
        worked = !volume ? "volume" : !costPer ? "costPer" : "cost";
    } else {
        // Within what the shown decimals explain: half a cent of the total, half a thousandth of
        // the volume and of the price.
        const double slack = 0.005 + 0.0005 * std::fabs(typed.volume) + 0.0005 * std::fabs(typed.costPer) + 1e-9;
        if (std::fabs(typed.volume * typed.costPer - typed.cost) <= slack) return result;
        const auto age = [&typedOrder](const std::string& name) {
            for (size_t i = typedOrder.size(); i-- > 0;)
                if (typedOrder[i] == name) return static_cast<long>(i);
            return -1L;
        };
        worked = "costPer";
        for (const char* name : {"volume", "cost"})
            if (age(name) < age(worked)) worked = name;
    }
    if (worked == "cost")
        result.cost = RoundTo(typed.volume * typed.costPer, 2);
    else if (worked == "costPer")
        result.costPer = RoundTo(typed.cost / typed.volume, 3);
    else
        result.volume = RoundTo(typed.cost / typed.costPer, 3);
    return result;
}

}  // namespace

double RoundedAsShown(double value, int digits) {
    const double micro = std::round(std::fabs(value) * 1e6);
    const double unit = std::pow(10.0, 6 - digits);
    const double rounded = std::floor(micro / unit + 0.5) * unit / 1e6;
    return value < 0 ? -rounded : rounded;
}

FuelAmounts FuelAmountsWorkedOut(const FuelAmounts& typed, const std::vector<std::string>& typedOrder, bool changed) {
    // Amounts the user left alone: nothing for the page to settle (a stored entry as stored).
    if (!changed) return typed;
    FuelAmounts result = SettledAmounts(typed, typedOrder);
    result.volume = RoundedAsShown(result.volume, 3);
    result.costPer = RoundedAsShown(result.costPer, 3);
    result.cost = RoundedAsShown(result.cost, 2);
    return result;
}

bool CustomYearAccepted(const std::string& typed, int nextYear) {
    const std::string year = Trim(typed);
    if (year.empty()) return true;
    char* end = nullptr;
    const double value = std::strtod(year.c_str(), &end);
    return end != nullptr && *end == '\0' && value >= 1900 && value <= nextYear;
}

std::string YearRefusal(int nextYear) {
    return "Year must be between 1900 and " + std::to_string(nextYear) + ".";
}

std::string CarRefusal(const CarFields& fields, int nextYear) {
    if (fields.custom) {
        // The page empties a year it does not take; the year is then missing.
        const bool yearGiven = !Trim(fields.customYear).empty() && CustomYearAccepted(fields.customYear, nextYear);
        if (Trim(fields.customMake).empty() || !yearGiven || Trim(fields.customModel).empty() ||
            Trim(fields.customStyle).empty())
            return "Please enter your car's make, year, model and style.";
    }
    if (fields.newCar && Trim(fields.currentOdometer).empty())
        return "Please enter a value for your car's current odometer.  If you don't know for sure what it is, just "
               "make an estimated guess.  Jorvane needs a basis to begin recommending services.";
    return {};
}

}  // namespace savechecks
