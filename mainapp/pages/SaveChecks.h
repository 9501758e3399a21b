#pragma once

#include <optional>
#include <string>
#include <vector>

// The checks a page's own save makes before it stores anything, kept here too so that a save the
// program makes itself (File > Exit with OK, the program ending) keeps exactly what the page's
// save would keep. Pure logic: the pages read the fields and show the messages.
namespace savechecks {

// A service's cost and the four amounts it is made of (0: not given).
struct ServiceAmounts {
    double cost = 0;
    double parts = 0;
    double labor = 0;
    double other = 0;
    double tax = 0;
};
// The cost as the page works it out once a detail is left: with details given, their sum (to the
// cent) when no cost is given or the cost follows the details (it is not one the user typed);
// otherwise as given.
double ServiceCostWorkedOut(const ServiceAmounts& amounts, bool costFollows);
// True when details are given and the cost is not their sum: the page asks before it saves.
bool ServiceCostDiffers(const ServiceAmounts& amounts);
extern const char* const kServiceCostQuestion;

// What a fill-up's odometer and distance become once the field last typed in has been left, as the
// page works them out from the previous fill-up's odometer (nothing before: as typed). 0 stands
// for "not given". A value given that disagrees with the other is kept as typed (the page would
// ask, and a question nobody answers keeps it); an odometer below the previous one works out
// nothing.
struct FuelReading {
    double odometer = 0;
    double distance = 0;
};
FuelReading FuelReadingWorkedOut(const FuelReading& typed, std::optional<double> previousOdometer);

// Volume, price per unit and total of a fill-up (0: not given), as the page settles them once the
// field is left: with two given the third is worked out; with three that do not agree beyond their
// shown decimals, the two typed last stay and the other gives way (one never typed first, the price
// before the volume before the total); then each is shown rounded (3, 3 and 2 decimals).
// `typedOrder` names the fields typed ("volume", "costPer", "cost"), the latest last; `changed`
// says whether any of the three was changed in the entry (typed over or emptied). None changed:
// as they are (the page settles nothing in an entry whose amounts the user left alone).
struct FuelAmounts {
    double volume = 0;
    double costPer = 0;
    double cost = 0;
};
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
// The message the vehicle page refuses the car with (empty: the car may be saved). `nextYear` is
// the latest model year the page takes.
std::string CarRefusal(const CarFields& fields, int nextYear);
// True for a year the page takes for a custom car (1900 to nextYear); the page empties another.
bool CustomYearAccepted(const std::string& typed, int nextYear);
std::string YearRefusal(int nextYear);

}  // namespace savechecks
