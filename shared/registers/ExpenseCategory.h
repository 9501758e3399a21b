#pragma once

#include <string>

// One category of the expense register's category list.
struct CExpenseCategory {
    int CategoryID = 0;
    std::string Name;
};
