#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/db/JetTranslator.h"

struct sqlite3;
struct sqlite3_stmt;

namespace jv::db {

// The prepared statements of one open file, kept by the text the program wrote, so that a
// statement run again is neither translated nor prepared again. The least recently used go
// when more than `capacity` are kept. A statement is lent out for one run at a time; the same
// text asked for while it is out (a query run inside the loop over its own rows) gets a
// statement of its own for that run.
class StatementCache {
public:
    struct Entry {
        std::string jet;
        JetTranslation translation;
        sqlite3_stmt* stmt = nullptr;
        bool lent = false;
        ~Entry();
    };

    // One statement lent out; it goes back reset, its parameters cleared, when the lease ends.
    class Lease {
    public:
        Lease() = default;
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        sqlite3_stmt* stmt() const { return entry_ ? entry_->stmt : nullptr; }
        const JetTranslation& translation() const { return entry_->translation; }
        const std::string& jet() const { return entry_->jet; }
        explicit operator bool() const { return static_cast<bool>(entry_); }

    private:
        friend class StatementCache;
        explicit Lease(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
        void Release();
        std::shared_ptr<Entry> entry_;
    };

    // Prepares the SQLite text of a translation; throws DbError quoting the Jet text.
    using Prepare = std::function<sqlite3_stmt*(const JetTranslation& translation)>;

    explicit StatementCache(size_t capacity) : capacity_(capacity) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The kept statement of a Jet text (when it is out already, a statement of its own for this
    // run, prepared from the kept translation); an empty lease when the text is not kept.
    Lease Find(const std::string& jet, const Prepare& prepare);
    // Prepares a translated text and keeps it.
    Lease Add(const std::string& jet, JetTranslation translation, const Prepare& prepare);

    // Lets every kept statement go (the tables changed); statements out now are finalized when
    // their lease ends.
    void Clear();
    size_t size() const { return entries_.size(); }

private:
    struct Kept {
        std::shared_ptr<Entry> entry;
        std::list<std::string>::iterator use;  // in uses_
    };
    size_t capacity_;
    std::unordered_map<std::string, Kept> entries_;
    std::list<std::string> uses_;  // most recent first
};

}  // namespace jv::db
