#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Who is connected, and who makes room when the bounds are reached. Connections cost no thread, only
// a socket and a little memory, so the bounds are there for the sockets: when one is reached, the
// connection that has waited longest without sending anything goes first, then the slowest request
// still arriving. One that is being answered is never closed to make room.
class ConnectionTable {
public:
    // Fresh: accepted, nothing received yet. Idle: between two requests of a kept-alive connection.
    // Reading: a request is arriving. Busy: a request is being answered.
    enum class State { Fresh, Idle, Reading, Busy };
    using Clock = std::chrono::steady_clock;

    struct Limits {
        std::size_t total;
        std::size_t per_peer;
    };

    class Entry {
        friend class ConnectionTable;
        std::string peer_;
        State state_ = State::Fresh;
        Clock::time_point since_;
        std::function<void()> close_;
        bool listed_ = true;
        std::list<std::shared_ptr<Entry>>::iterator position_;
    };

    explicit ConnectionTable(Limits limits) : limits_(limits) {}

    // Admits a connection from peer; close ends it from any thread. When the peer's bound or the total
    // is reached, closes the connection that makes room (the peer's own first when the peer's bound is
    // the one reached). nullptr: no room, every connection in the way is being answered.
    std::shared_ptr<Entry> admit(const std::string& peer, std::function<void()> close,
                                 Clock::time_point now = Clock::now());
    void set_state(Entry& entry, State state, Clock::time_point now = Clock::now());
    // Called when a connection ends, whether it was closed to make room or not.
    void remove(Entry& entry);

    std::size_t size() const;
    // Connections whose request is being answered.
    std::size_t busy() const;

private:
    // The connection to close for room: among peer's when given, else among all.
    std::shared_ptr<Entry> victim(const std::string* peer) const;
    void unlist(Entry& entry);

    const Limits limits_;
    mutable std::mutex mutex_;
    std::list<std::shared_ptr<Entry>> entries_;
    std::map<std::string, std::size_t> per_peer_;
};
