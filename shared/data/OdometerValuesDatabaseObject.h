#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "shared/data/DatabaseObject.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/RegisterQuery.h"

class CCar;
class CUserPreferences;

// The odometer readings of every car (table OdometerValues) and what the program estimates from
// them: how far a car travels per day, week, month or year, where its odometer started, what it
// read on any date and on which date it reaches a given reading. Built on the stack for each use.
//
// It lives with the car records because loading the cars stores each car's daily rates; the
// registers build on both.
class COdometerValuesDatabaseObject : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    // True when no other reading of the car holds exactly that value (the date plays no part).
    // `odometerValueID` is the reading being edited, empty for a new one.
    bool IsOdometerValueValid(const std::string& odometerValueID, const std::string& VehicleID,
                              const std::string& dateText, const std::string& valueText);
    // Date text is month/day/year (or year-month-day); value text a plain decimal number. A value
    // another reading of the car already holds is refused without a message.
    bool AddOdometerValue(const std::string& VehicleID, const std::string& dateText, const std::string& valueText);
    bool UpdateOdometerValue(const std::string& odometerValueID, const std::string& VehicleID,
                             const std::string& dateText, const std::string& valueText);
    bool DeleteOdometerValue(const std::string& odometerValueID);
    // Removes the car's readings on that date whose value lies strictly within value - 1 and
    // value + 1: the reading a register row recorded. False when VehicleID or the date is empty.
    bool DeleteOdometerValue(const std::string& VehicleID, const std::string& dateText, double value);
    bool DeleteOdometerValue(const std::string& VehicleID, const jv::DateTime& date, double value);

    // Appends the readings of the matching cars ("%" for all), oldest first, then by value.
    // Readings of sold cars only when the preferences show sold cars.
    bool GetOdometerValues(const std::string& VehicleIDPattern, std::vector<COdometerValue>& values,
                           const CUserPreferences& prefs);
    // How the odometer register lists the readings (for a part of it, see CRegisterQuery), and a
    // reading read from a row so listed.
    static const RegisterListing& Listing();
    static COdometerValue ReadEntry(const jv::db::Recordset& rs);
    // The reading recorded on that day.
    bool GetOdometerValue(const std::string& VehicleID, const jv::DateTime& date, COdometerValue& value);
    // Earliest date and lowest value of the car's readings (they may come from different readings).
    bool GetFirstOdometerValue(const std::string& VehicleID, COdometerValue& value);
    // Latest date and highest value of the car's readings.
    bool GetLastOdometerValue(const std::string& VehicleID, COdometerValue& value);
    // The car's purchase odometer and date; false when either is not known.
    bool GetPurchaseOdometerValue(const std::string& VehicleID, COdometerValue& value);
    // The date at which the odometer is taken to have read 0: 1 January of the model year, moved
    // back by 180 days at a time until it is not in the future.
    bool GetOdometerValueFromModelYear(int modelYear, COdometerValue& value);
    // True when the car's readings span more than 180 whole days.
    bool ThereAreEnoughOdometerValues(const std::string& VehicleID);

    // Distance per "Year", "Month", "Week" or "Day" (exactly so written); 0 when not computable.
    // With usePurchase the purchase reading may serve as the start.
    float GetDistanceRate(CCar& car, const std::string& unit, const CUserPreferences& prefs, bool usePurchase);
    // Both daily rates of the car, as loading the cars stores them: BackwardRate over the recorded
    // readings, ForwardRate with the purchase reading allowed as the start. Reads the readings once.
    void GetDailyRates(CCar& car, const CUserPreferences& prefs);
    // The date and value taken as the car's starting odometer.
    bool GetOriginalOdometer(CCar& car, COdometerValue& original, const CUserPreferences& prefs);
    // The odometer on a date: interpolated between readings, extrapolated with the car's rates
    // beyond them (never below 0); 0 when not computable.
    float CalculateOdometerFromDate(CCar& car, const jv::DateTime& date, const CUserPreferences& prefs);
    // The date on which the car reaches an odometer; an invalid date when not computable.
    jv::DateTime CalculateDateFromOdometer(CCar& car, float odometer, const CUserPreferences& prefs);

    // A span of days as whole days: shifted by half a second away from zero and truncated.
    static double WholeDays(double span);

    // From now on the two estimates above answer from what is known of each car's readings,
    // with the same results: for a car whose readings rise with their dates (a higher value never
    // has an earlier date), two steps into the indexes; for any other car, its readings read once
    // into memory. Either is kept with the open file while the car's readings stay the same (as
    // the file records them, see CarChanges.h; where it does not, while nothing in the file
    // changes). Only for work that records no readings while this object lives (the reminders,
    // the cars overview): a reading written meanwhile would not be seen.
    void KeepReadingsInMemory() { m_keepReadings = true; }

private:
    // One car's readings, sorted by date and by value, with running maxima and minima, so that
    // "the latest reading up to a date" and "the first reading past a value" are binary searches.
    struct ReadingIndex {
        struct Row {
            double date = 0;   // continuous day number; NaN when the reading has no date
            double value = 0;  // NaN when the reading has no value
        };
        std::vector<Row> byDate, byValue;
        std::vector<double> maxValueUpTo, minValueFrom;  // over byDate
        std::vector<double> maxDateUpTo, minDateFrom;    // over byValue
    };
    enum class Side { UpTo, After };
    // The bound an estimate starts from: over the readings with a date (byDate) or a value
    // (byValue) up to or after `key`, the latest date and highest value, or the earliest date and
    // lowest value.
    bool IndexedBound(const char* method, int line, const std::string& VehicleID, bool byDate, Side side, double key,
                      COdometerValue& value, bool& found);
    const ReadingIndex* IndexOf(const char* method, int line, const std::string& VehicleID);
    bool m_keepReadings = false;
    std::map<std::string, std::shared_ptr<const ReadingIndex>> m_readingIndexes;

    // What is known of one car's readings for one content of the file: whether they rise with
    // their dates, and the bounds worked out so far.
    struct CarReadings;
    std::shared_ptr<const CarReadings> ReadingsOf(const char* method, int line, const std::string& VehicleID);
    // IndexedBound for a car whose readings rise with their dates: the bound's own key (the
    // latest date up to `key`, the highest value up to it, ...) is one step into an index, and
    // the other half of the bound lies among the readings with that key, one more step.
    bool OrderedBound(const CarReadings& readings, const char* method, int line, const std::string& VehicleID,
                      bool byDate, Side side, double key, COdometerValue& value, bool& found);
    // OrderedBound from m_sorted; false when the statements must answer.
    bool SortedBound(bool byDate, Side side, double key, COdometerValue& value, bool& found) const;
    std::map<std::string, std::shared_ptr<const CarReadings>> m_carReadings;  // for the life of this object
    // The readings of the car last found to rise with their dates, as (value, date) in the order
    // of both: its bounds are answered from them without statements. One car at a time, so that
    // a pass over every car holds one car's readings at most.
    std::string m_sortedCar;
    std::vector<std::pair<double, double>> m_sorted;

    // What a rate is worked out from: the last and first readings, the purchase reading and the
    // model year.
    struct RateInputs {
        COdometerValue last, first, purchase;
        bool hasPurchase = false;
        int modelYear = 0;
    };
    // False when the car has no readings.
    bool ReadRateInputs(const CCar& car, RateInputs& inputs);
    float DistanceRate(const RateInputs& inputs, const std::string& unit, bool usePurchase);

    bool ReadBound(const char* method, int line, const std::string& sql, const char* dateColumn,
                   const char* valueColumn, COdometerValue& value, bool& found);
    bool ReadAggregate(const char* method, int line, const std::string& sql, const char* dateColumn,
                       const char* valueColumn, const std::string& VehicleID, COdometerValue& value);
};
