#pragma once

#include <string>
#include <vector>

// Starting other programs. Always with an argument vector: nothing is ever parsed by a shell.
namespace jv::process {

// Starts the program (looked up in PATH when the first argument has no "/") and does not wait.
// False, with a description in *error, when it could not be started.
bool Spawn(const std::vector<std::string>& argv, std::string* error = nullptr);

// Runs the program and waits for it; its standard output goes to *output when given.
// Returns the exit status, or -1 when it could not be started.
int Run(const std::vector<std::string>& argv, std::string* output = nullptr, std::string* error = nullptr);

// Full path of a program found in PATH, or empty.
std::string FindProgram(const std::string& name);

}  // namespace jv::process
