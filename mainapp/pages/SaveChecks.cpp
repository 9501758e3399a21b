#include "mainapp/pages/SaveChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

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

namespace {

// The first sentence of both the page's notice and the save's question.
constexpr const char* kServiceCostMismatch = "The Cost value doesn't match the Parts, Labor, Other and Tax values.  ";

bool DetailsGiven(const ServiceAmounts& amounts) {
    return amounts.parts != 0 || amounts.labor != 0 || amounts.other != 0 || amounts.tax != 0;
}

}  // namespace

std::string ServiceCostCorrected() {
    return std::string(kServiceCostMismatch) + "The Cost value will be adjusted accordingly.";
}

std::string ServiceCostQuestion() {
    return std::string(kServiceCostMismatch) + "Do you want to save anyway?";
}

ServiceSettled ServiceAmountsSettled(const ServiceAmounts& amounts, bool costFollows) {
    ServiceSettled result{amounts, ""};
    const double sum = RoundTo(amounts.parts + amounts.labor + amounts.other + amounts.tax, 2);
    if (costFollows || amounts.cost == 0) {
        if (!DetailsGiven(amounts) || std::fabs(amounts.cost - sum) <= 0.005) return result;
        result.amounts.cost = sum;
        result.adjusted = "computed";
        return result;
    }
    double* const details[] = {&result.amounts.parts, &result.amounts.labor, &result.amounts.other,
                               &result.amounts.tax};
    double* missing = nullptr;
    int missingCount = 0;
    for (double* detail : details) {
        if (*detail == 0) {
            missing = detail;
            ++missingCount;
        }
    }
    if (missingCount == 0) {
        if (std::fabs(amounts.cost - sum) > 0.005) {
            result.amounts.cost = sum;
            result.adjusted = "corrected";
        }
        return result;
    }
    if (missingCount != 1) return result;
    // The missing one is 0, so the sum is the other three's.
    const double value = RoundTo(amounts.cost - sum, 2);
    if (missing == &result.amounts.other || value > 0) {
        *missing = value;
        result.adjusted = "computed";
    }
    return result;
}

bool ServiceCostDiffers(const ServiceAmounts& amounts) {
    const double sum = amounts.parts + amounts.labor + amounts.other + amounts.tax;
    return DetailsGiven(amounts) && std::fabs(amounts.cost - sum) > 0.005;
}

ReadingSettled DistanceFromOdometer(double odometer, double distance, std::optional<double> previousOdometer) {
    if (!(odometer > 0) || !previousOdometer || !(*previousOdometer > 0)) return {};
    if (odometer < *previousOdometer) return {"below", 0};
    const double worked = odometer - *previousOdometer;
    return {distance > 0 && std::fabs(distance - worked) > 0.05 ? "differs" : "worked", worked};
}

ReadingSettled OdometerFromDistance(double distance, double odometer, std::optional<double> previousOdometer) {
    if (!(distance > 0) || !previousOdometer || !(*previousOdometer > 0)) return {};
    const double worked = *previousOdometer + distance;
    return {odometer > 0 && std::fabs(odometer - worked) > 0.05 ? "differs" : "worked", worked};
}

FuelReading FuelReadingWorkedOut(const FuelReading& typed, std::optional<double> previousOdometer) {
    FuelReading result = typed;
    // The distance from the odometer, as leaving the odometer works it out; with no odometer, the
    // odometer from the distance.
    if (typed.odometer > 0) {
        const ReadingSettled distance = DistanceFromOdometer(typed.odometer, typed.distance, previousOdometer);
        if (distance.outcome == "worked") result.distance = RoundTo(distance.value, 1);
    } else {
        const ReadingSettled odometer = OdometerFromDistance(typed.distance, typed.odometer, previousOdometer);
        if (odometer.outcome == "worked") result.odometer = RoundTo(odometer.value, 1);
    }
    return result;
}

FuelSettled FuelAmountsSettled(const FuelAmounts& typed, const std::vector<std::string>& typedOrder) {
    FuelSettled result{typed, ""};
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
        result.amounts.cost = RoundTo(typed.volume * typed.costPer, 2);
    else if (worked == "costPer")
        result.amounts.costPer = RoundTo(typed.cost / typed.volume, 3);
    else
        result.amounts.volume = RoundTo(typed.cost / typed.costPer, 3);
    result.adjusted = given == 2 ? "computed" : worked;
    return result;
}

double RoundedAsShown(double value, int digits) {
    const double micro = std::round(std::fabs(value) * 1e6);
    const double unit = std::pow(10.0, 6 - digits);
    const double rounded = std::floor(micro / unit + 0.5) * unit / 1e6;
    return value < 0 ? -rounded : rounded;
}

FuelAmounts FuelAmountsWorkedOut(const FuelAmounts& typed, const std::vector<std::string>& typedOrder, bool changed) {
    // Amounts the user left alone: nothing for the page to settle (a stored entry as stored).
    if (!changed) return typed;
    FuelAmounts result = FuelAmountsSettled(typed, typedOrder).amounts;
    result.volume = RoundedAsShown(result.volume, 3);
    result.costPer = RoundedAsShown(result.costPer, 3);
    result.cost = RoundedAsShown(result.cost, 2);
    return result;
}

bool CustomYearAccepted(const std::string& typed, int nextYear) {
    const std::string year = Trim(typed);
    if (year.empty()) return true;
    // Four digits and nothing else: the car stores the year as a whole number read from the text,
    // so "19e2" or "1950.5" would be stored as another year than the one checked.
    if (year.size() != 4 || !std::all_of(year.begin(), year.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(year);
    return value >= 1900 && value <= nextYear;
}

std::string YearRefusal(int nextYear) {
    return "Year must be between 1900 and " + std::to_string(nextYear) + ".";
}

Refusal CustomCarRefusal(const CarFields& fields, int nextYear) {
    if (!fields.custom) return {};
    // The page empties a year it does not take; the year is then missing.
    const bool yearGiven = !Trim(fields.customYear).empty() && CustomYearAccepted(fields.customYear, nextYear);
    const std::pair<bool, const char*> typed[] = {{!Trim(fields.customMake).empty(), "CustomCarMake"},
                                                  {yearGiven, "CustomCarYear"},
                                                  {!Trim(fields.customModel).empty(), "CustomCarModel"},
                                                  {!Trim(fields.customStyle).empty(), "CustomCarStyle"}};
    for (const auto& [given, field] : typed)
        if (!given) return {"Please enter your car's make, year, model and style.", field};
    return {};
}

Refusal OdometerRefusal(const CarFields& fields) {
    if (!fields.newCar || !Trim(fields.currentOdometer).empty()) return {};
    return {
        "Please enter a value for your car's current odometer.  If you don't know for sure what it is, just make "
        "an estimated guess.  Jorvane needs a basis to begin recommending services.",
        "CarCurrentOdometer"};
}

std::string StyleRefusal() {
    return "Please choose a Style before saving your car.";
}

Refusal CarRefusal(const CarFields& fields, int nextYear) {
    Refusal refusal = CustomCarRefusal(fields, nextYear);
    return refusal.message.empty() ? OdometerRefusal(fields) : refusal;
}

}  // namespace savechecks
