#pragma once

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "tests/platform/db/SqliteFixture.h"
#include "tests/support/ChildProcess.h"

namespace jv::test {

// Another program holding a database file: a copy of the test process opens the file, runs
// `hold` (a write or a read, left open) and keeps it until the test lets go; then it commits.
// Build it while the test has no connection of its own open (one must not cross a fork).
class HeldFile {
public:
    HeldFile(const std::string& path, const std::string& hold) {
        if (pipe(holding_) != 0 || pipe(letGo_) != 0) throw std::runtime_error("pipe failed");
        child_ = std::make_unique<ChildProcess>([this, path, hold] {
            SqliteFile other(path);
            other.Run(hold);
            if (write(holding_[1], "h", 1) != 1) return 2;
            // Left waiting 20 seconds, it lets go by itself and says so.
            const bool toldTo = Wait(letGo_[0], 20000);
            other.Run("COMMIT");
            return toldTo ? 0 : 1;
        });
        held_ = Wait(holding_[0], 60000);
    }
    ~HeldFile() {
        for (const int fd : {holding_[0], holding_[1], letGo_[0], letGo_[1]}) close(fd);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // True once the other program holds the file.
    bool held() const { return held_; }
    // Lets the other program commit and end; true when it held the file until now.
    bool LetGo() {
        if (write(letGo_[1], "g", 1) != 1) return false;
        return child_->Wait() == 0;
    }

private:
    static bool Wait(int fd, int milliseconds) {
        pollfd watch{fd, POLLIN, 0};
        return poll(&watch, 1, milliseconds) == 1;
    }

    int holding_[2] = {-1, -1};
    int letGo_[2] = {-1, -1};
    std::unique_ptr<ChildProcess> child_;
    bool held_ = false;
};

// Makes a file unchangeable, even for the superuser the tests may run as, until it goes.
class ImmutableFile {
public:
    explicit ImmutableFile(std::string path) : path_(std::move(path)) {
        made_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
    }
    ~ImmutableFile() {
        if (made_) std::system(("chattr -i '" + path_ + "' 2>/dev/null").c_str());
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    bool made() const { return made_; }

private:
    std::string path_;
    bool made_ = false;
};

}  // namespace jv::test
