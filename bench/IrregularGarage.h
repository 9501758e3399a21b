#pragma once

#include <string>

// A small garage of awkward data in a new user database: readings that go back and forth, share
// a day, lack a value; a car without readings, a sold car, skipped services, missing costs. The
// results of the program's fast paths (kept statements, streamed rows, estimates and latest
// services kept while the file is unchanged) are compared with those of the plain statements
// the program ran before, once computed and once kept, and again after a change of the file.
// Returns the number of values compared; a difference is written to standard error and ends the
// program with status 1.
int CheckIrregularGarage(const std::string& blankDatabase);
