#pragma once

#include <optional>
#include <string>
#include <vector>

// The arithmetic and the checks of the register and vehicle pages, in one place: the page scripts
// ask for them over the script bridge as the user leaves a field or saves, and a save the program
// makes itself (File > Exit with OK, the program ending) works out and checks the same, so that
// what a stop stores is what the page's own save would store. Pure logic: the pages read the
// fields and show the messages.
//
// Where a stop does less than the page, by design: a question only the user can answer (a
// distance or odometer that disagrees, a cost to save anyway) keeps what was typed, and a service
// cost the user typed is kept as typed (the page works out a missing detail or corrects the cost
// only as a detail is left, and a stop cannot tell a detail being typed from the cost). The
// program's own save of a car counts its style only as the list holds it (the one it stores); the
// page also counts the style its label shows.
namespace savechecks {

// A service's cost and the four amounts it is made of (0: not given).
struct ServiceAmounts {
    double cost = 0;
    double parts = 0;
    double labor = 0;
    double other = 0;
    double tax = 0;
};
// Amounts as leaving a field settles them, and how (what the page tells the user; empty: as they
// were).
template <class Amounts>
struct Settled {
    Amounts amounts;
    std::string adjusted;
};
// The five once a detail is left, and how: "computed" (the cost, or the one detail missing, worked
// out), "corrected" (the cost typed was not the sum of the four details), or empty (as they are).
// `costFollows` says the cost is not the user's own (empty, or worked out before): then, with any
// detail given, the cost is their sum. A cost the user typed stays: with all four details given, a
// cost that is not their sum becomes the sum; with three given, the fourth is worked out from it
// (parts, labor or tax only when positive; other even when negative).
using ServiceSettled = Settled<ServiceAmounts>;
ServiceSettled ServiceAmountsSettled(const ServiceAmounts& amounts, bool costFollows);
// True when details are given and the cost is not their sum: a save asks before it stores.
bool ServiceCostDiffers(const ServiceAmounts& amounts);
// What the page says as the cost is corrected, and what a save asks when it differs.
std::string ServiceCostCorrected();
std::string ServiceCostQuestion();

// A fill-up's odometer and distance as the field left gives them from the previous fill-up's
// odometer: "worked" (the other field takes `value`), "differs" (the other field holds a value
// more than a twentieth away from `value`: the page asks which to keep), "below" (an odometer below
// the previous one: the page warns), or empty (nothing to work out: nothing given, no fill-up
// before). `value` is as worked out, before it is shown rounded.
struct ReadingSettled {
    std::string outcome;
    double value = 0;
};
ReadingSettled DistanceFromOdometer(double odometer, double distance, std::optional<double> previousOdometer);
ReadingSettled OdometerFromDistance(double distance, double odometer, std::optional<double> previousOdometer);

// What a fill-up's odometer and distance become at a stop, once the field last typed in has been
// left: the distance from the odometer, or the odometer from the distance when only the distance is
// given, rounded to a tenth. 0 stands for "not given". A value given that disagrees with the other
// is kept as typed (the question nobody answers keeps it).
struct FuelReading {
    double odometer = 0;
    double distance = 0;
};
FuelReading FuelReadingWorkedOut(const FuelReading& typed, std::optional<double> previousOdometer);

// Volume, price per unit and total of a fill-up (0: not given), as the page settles them once one
// is left: with two given the third is worked out ("computed"); with three that do not agree beyond
// what their shown decimals explain, the two typed last stay and the other gives way, named in
// `adjusted` ("volume", "costPer", "cost"): one never typed first, the price before the volume
// before the total (what was paid). `typedOrder` names the fields typed in the entry ("volume",
// "costPer", "cost"), the latest last. Not yet rounded as shown.
struct FuelAmounts {
    double volume = 0;
    double costPer = 0;
    double cost = 0;
};
using FuelSettled = Settled<FuelAmounts>;
FuelSettled FuelAmountsSettled(const FuelAmounts& typed, const std::vector<std::string>& typedOrder);
// The three at a stop: settled, then each rounded as shown (3, 3 and 2 decimals). `changed` says
// whether any of them was changed in the entry (typed over or emptied); none changed: as they are
// (the page settles nothing in an entry whose amounts the user left alone).
FuelAmounts FuelAmountsWorkedOut(const FuelAmounts& typed, const std::vector<std::string>& typedOrder, bool changed);

// A number as the page shows it with `digits` decimals: first to six decimals, then halves up
// (away from zero), as the page's number text rounds.
double RoundedAsShown(double value, int digits);

// What the vehicle page's fields hold for its save check.
struct CarFields {
    bool custom = false;
    bool newCar = false;
    std::string customYear, customMake, customModel, customStyle;
    std::string currentOdometer;
};
// Why the vehicle page refuses the car, and the field the cursor goes to (empty: the car may be
// saved): a custom car's make, year, model or style missing, checked before the style of a car
// from the lists (the page's own), then a new car's current odometer. `nextYear` is the latest
// model year the page takes.
struct Refusal {
    std::string message;
    std::string field;
};
Refusal CustomCarRefusal(const CarFields& fields, int nextYear);
Refusal OdometerRefusal(const CarFields& fields);
// The first of the two.
Refusal CarRefusal(const CarFields& fields, int nextYear);
// What the page says of a car from the lists saved without a style.
std::string StyleRefusal();
// True for a year the page takes for a custom car (four digits, 1900 to nextYear); the page empties
// another.
bool CustomYearAccepted(const std::string& typed, int nextYear);
std::string YearRefusal(int nextYear);

}  // namespace savechecks
