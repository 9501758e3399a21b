#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/Connection.h"

// Which cars changed, as the user database records it itself: the table CarChanges, kept by
// triggers whoever writes (this program, the companion or any other). Every change of a car's
// odometer readings, or of what its latest services are, gives the car's row of that kind a new
// ChangeID, one never handed out before. What is worked out from one car's readings or services
// can so be kept with the open file for as long as the car's number stays the same, however the
// other cars change.
namespace carchanges {

enum class Kind : char {
    Readings = 'R',  // the car's rows of OdometerValues
    // The car's latest services: its services, their plan items, and the latest date among all
    // the services of each such item, whichever car's.
    Services = 'S',
};

// The car's change number of that kind (0 while no change has reached the car). Nothing when the
// file keeps no record of changes (a file not yet upgraded, one that could not be) and within a
// transaction, whose changes may yet be undone: nothing may then be kept by car.
std::optional<std::uint64_t> Of(jv::db::Connection& connection, const std::string& VehicleID, Kind kind);

// True when the file records the cars' changes (and not within a transaction): when what is
// worked out for one car can be kept on its own.
bool Recorded(jv::db::Connection& connection);

// True when the file's record is exactly what this version's upgrade writes: the table and its
// twelve triggers with their text, and no other trigger that touches the table. A record that
// differs in anything (triggers that keep their names but do something else, one missing, one
// more) tells nothing dependable. Throws DbError.
bool Intact(jv::db::Connection& connection);

// How what is worked out from one car's rows of a kind is kept with the open file: for as long as
// the car's change number stays the same where the file records one, else for as long as nothing
// in the file changes; not at all within a transaction. Made just before the rows are read.
class KeptForCar {
public:
    KeptForCar(jv::db::Connection connection, const std::string& VehicleID, Kind kind);
    // What is kept under the name, or null.
    std::shared_ptr<const void> Find(const std::string& name) const;
    void Keep(const std::string& name, std::shared_ptr<const void> value);

private:
    jv::db::Connection connection_;
    std::optional<std::uint64_t> carChange_, contentVersion_;
};

// The statements that make the table and its triggers (the upgrade to version 9).
std::vector<std::string> CreateStatements();

// The statements that make the file's record what CreateStatements makes (none when it is so
// already): every trigger that touches the table goes and the twelve are written anew; the table
// is made anew only when it differs. For a file of this version that the program may write.
// Throws DbError.
std::vector<std::string> RewriteStatements(jv::db::Connection& connection);

}  // namespace carchanges
