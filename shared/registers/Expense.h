#pragma once

#include <string>

#include "platform/base/DateTime.h"

// One row of the expense register: a cost of a car that is neither fuel nor a service. A column
// left empty reads back as 0, -1 (the category) or the empty text.
class CExpense {
public:
    int ExpenseID = 0;
    jv::DateTime ExpenseDate;
    std::string VehicleID;
    float Odometer = 0.0f;
    std::string Vendor;
    std::string ExpenseMemo;
    int CategoryID = -1;
    float Cost = 0.0f;
    std::string Notes;
};
