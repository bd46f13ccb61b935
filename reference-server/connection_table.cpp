#include "connection_table.h"

#include <algorithm>

#include <tuple>

namespace {

// Which of two connections to close first: nothing received beats a request arriving, and within
// each, the one that has waited longest.
int rank(ConnectionTable::State state)
{
    switch (state) {
    case ConnectionTable::State::Fresh:
    case ConnectionTable::State::Idle:
        return 0;
    case ConnectionTable::State::Reading:
        return 1;
    case ConnectionTable::State::Busy:
        break;
    }
    return 2;
}

} // namespace

std::shared_ptr<ConnectionTable::Entry>
ConnectionTable::admit(const std::string& peer, std::function<void()> close, Clock::time_point now)
{
    std::function<void()> close_victim;
    std::shared_ptr<Entry> entry;
    {
        const std::lock_guard lock(mutex_);
        const auto count = per_peer_.find(peer);
        const bool peer_full = count != per_peer_.end() && count->second >= limits_.per_peer;
        if (peer_full || entries_.size() >= limits_.total) {
            std::shared_ptr<Entry> room = victim(peer_full ? &peer : nullptr);
            if (!room) return nullptr;
            unlist(*room);
            close_victim = std::move(room->close_);
        }
        entry = std::make_shared<Entry>();
        entry->peer_ = peer;
        entry->since_ = now;
        entry->close_ = std::move(close);
        entries_.push_back(entry);
        entry->position_ = std::prev(entries_.end());
        ++per_peer_[peer];
    }
    // Outside the lock: closing may run the victim's own code.
    if (close_victim) close_victim();
    return entry;
}

void ConnectionTable::set_state(Entry& entry, State state, Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    if (entry.state_ == state) return;
    entry.state_ = state;
    entry.since_ = now;
}

void ConnectionTable::remove(Entry& entry)
{
    const std::lock_guard lock(mutex_);
    unlist(entry);
}

std::size_t ConnectionTable::size() const
{
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

std::size_t ConnectionTable::busy() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        entries_.begin(), entries_.end(), [](const auto& entry) { return entry->state_ == State::Busy; }));
}

std::shared_ptr<ConnectionTable::Entry> ConnectionTable::victim(const std::string* peer) const
{
    std::shared_ptr<Entry> best;
    for (const std::shared_ptr<Entry>& e : entries_) {
        if (e->state_ == State::Busy || (peer && e->peer_ != *peer)) continue;
        if (!best || std::tuple(rank(e->state_), e->since_) < std::tuple(rank(best->state_), best->since_))
            best = e;
    }
    return best;
}

void ConnectionTable::unlist(Entry& entry)
{
    if (!entry.listed_) return;
    entry.listed_ = false;
    if (const auto count = per_peer_.find(entry.peer_); count != per_peer_.end() && --count->second == 0)
        per_peer_.erase(count);
    // The caller holds the entry too: erasing the list's share does not end it.
    entries_.erase(entry.position_);
}
