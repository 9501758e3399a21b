#pragma once

#include <string>
#include <vector>

// Which other programs hold locks on a file, as the system's table of file locks (/proc/locks)
// shows them: the user hears which program keeps the file from this one.
namespace jv::files {

struct Holder {
    int pid = 0;
    std::string program;  // the process's name ("sqlite3"), empty when it cannot be read
    bool writes = false;  // holds a write lock (else read locks only)
};

// A file as the lock table names it: device and inode.
struct FileId {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inode = 0;
};

// The processes other than `self` that hold locks on any of `files`, each once, in the order of
// the table, by the lines of a lock table's text. Waiting requests ("->") hold nothing.
std::vector<Holder> HoldersIn(const std::string& table, const std::vector<FileId>& files, int self);

// The other processes holding locks on any of the files at `paths` (missing ones are left out),
// those that write first, with their names. Empty where the system shows no lock table.
std::vector<Holder> Holders(const std::vector<std::string>& paths);

// "sqlite3 (process 1234)", several joined by ", ": the programs to name to the user, the writers
// only when there are any. Empty when none is known.
std::string Describe(const std::vector<Holder>& holders);

}  // namespace jv::files
