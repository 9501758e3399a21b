#include "platform/db/StatementCache.h"

#include <sqlite3.h>

#include <utility>

namespace jv::db {

StatementCache::Entry::~Entry() {
    sqlite3_finalize(stmt);
}

StatementCache::Lease::Lease(Lease&& other) noexcept : entry_(std::move(other.entry_)) {}

StatementCache::Lease& StatementCache::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Release();
        entry_ = std::move(other.entry_);
    }
    return *this;
}

StatementCache::Lease::~Lease() {
    Release();
}

void StatementCache::Lease::Release() {
    if (!entry_) return;
    // Reset ends the statement's read of the file, so that it holds no lock while it is kept.
    sqlite3_reset(entry_->stmt);
    sqlite3_clear_bindings(entry_->stmt);
    entry_->lent = false;
    entry_.reset();
}

StatementCache::Lease StatementCache::Find(const std::string& jet, const Prepare& prepare) {
    auto found = entries_.find(jet);
    if (found == entries_.end()) return {};
    uses_.splice(uses_.begin(), uses_, found->second.use);
    const std::shared_ptr<Entry>& entry = found->second.entry;
    if (!entry->lent) {
        entry->lent = true;
        return Lease(entry);
    }
    auto own = std::make_shared<Entry>();
    own->jet = jet;
    own->translation = entry->translation;
    own->stmt = prepare(own->translation);
    own->lent = true;
    return Lease(std::move(own));
}

StatementCache::Lease StatementCache::Add(const std::string& jet, JetTranslation translation, const Prepare& prepare) {
    auto entry = std::make_shared<Entry>();
    entry->jet = jet;
    entry->translation = std::move(translation);
    entry->stmt = prepare(entry->translation);
    entry->lent = true;
    if (capacity_ == 0 || entries_.count(jet) != 0) return Lease(std::move(entry));
    while (entries_.size() >= capacity_) {
        entries_.erase(uses_.back());
        uses_.pop_back();
    }
    uses_.push_front(jet);
    entries_.emplace(jet, Kept{entry, uses_.begin()});
    return Lease(std::move(entry));
}

void StatementCache::Clear() {
    entries_.clear();
    uses_.clear();
}

}  // namespace jv::db
