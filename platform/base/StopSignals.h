#pragma once

#include <initializer_list>

// The signals that ask a program to stop (SIGTERM from the session or a kill, SIGINT from a
// terminal). Once caught they no longer end the process on the spot: each arrival is noted, the
// program's loop hears of it through a descriptor and closes in order, and whatever waits for
// something outside the program meanwhile (a lock that another program holds on the user's file)
// asks Requested() and gives up, so that the loop hears of it at once.
namespace jv::stop {

// Catches the signals from now on, in every thread. Call once, early at start-up. False when a
// handler could not be set (the signal then ends the process as before).
bool Catch(std::initializer_list<int> signals);

// True once one of the caught signals has arrived; it stays true.
bool Requested();

// Readable after each arrival, until Drain() empties it (so that the loop's watch fires once per
// arrival, not for ever). -1 before Catch.
int Fd();
void Drain();

// Forgets the arrivals (tests).
void Reset();

}  // namespace jv::stop
