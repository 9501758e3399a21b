#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

// The home page's data read with the most direct SQL the schema allows, on a connection of its
// own to the same file: each statement prepared once, every figure one step into an index where
// the schema has one, the fuel purchases read once per statistic, nothing kept between calls.
// What the program's classes are measured against in the same run.
class DirectStatements {
public:
    explicit DirectStatements(const std::string& path);
    ~DirectStatements();
    DirectStatements(const DirectStatements&) = delete;
    DirectStatements& operator=(const DirectStatements&) = delete;

    // The car list with its statistics: current odometer, distance per year, cost per year with
    // the total, fuel economy. The number of figures worked out.
    size_t CarList(double today);
    // The reminders due up to `until` (day numbers as stored), overdue ones included: the latest
    // service of each plan item, then the due date by months and by distance, the latter from
    // the readings either side of the due odometer. The number of reminders.
    size_t Reminders(double today, double until);

private:
    struct Car {
        std::string id;
        int plan = 0;
        double firstDate = 0, firstValue = 0, lastDate = 0, lastValue = 0, dailyRate = 0;
    };
    sqlite3_stmt* Prepare(const char* sql);
    void LoadCars();
    static double Column(sqlite3_stmt* stmt, int column) { return sqlite3_column_double(stmt, column); }
    // Steps a statement bound to a car (and a number) once; false when it gives no row or NULL.
    bool One(sqlite3_stmt* stmt, const Car& car, double number, bool withNumber);

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
    sqlite3_stmt* cars_;
    sqlite3_stmt* bounds_;
    sqlite3_stmt* costs_[3];
    sqlite3_stmt* fuel_;
    sqlite3_stmt* items_;
    sqlite3_stmt* latestService_;
    sqlite3_stmt* valueBelow_;
    sqlite3_stmt* valueAbove_;
    std::vector<Car> list_;
};
