#pragma once

#include "compressed_head.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

class BackgroundWork;

// Lists kept compressed at the codec's best between two changes, each under a key and the version
// its rows had: a salesperson's clients, downloaded every morning and seldom changed. The first
// download after a change goes compressed as it is written, and leaves the list to be written and
// compressed again in the background for the downloads that follow. Only the compressed forms are
// kept, the least recently used dropped past a bound.
class CompressedLists {
public:
    using Write = std::function<std::string()>;

    CompressedLists(BackgroundWork& background, std::size_t max_bytes);
    CompressedLists(const CompressedLists&) = delete;
    CompressedLists& operator=(const CompressedLists&) = delete;

    // The list of key at version in codec's form, when it has been made.
    std::shared_ptr<const CompressedHead> find(const std::string& key, std::int64_t version, Codec codec);
    // Has write's text compressed in the background and kept as key's list at version, unless it is
    // kept or on its way already. write runs in the background too.
    void prepare(const std::string& key, std::int64_t version, Codec codec, Write write);
    // The same on the calling thread (the background's own); whether it made the list.
    bool make_now(const std::string& key, std::int64_t version, Codec codec, const Write& write,
                  const std::atomic<bool>& stop);

    std::size_t bytes() const;

private:
    struct Slot {
        std::int64_t version = -1;
        std::shared_ptr<const CompressedHead> head;
        std::int64_t preparing = -1; // the version on its way, or -1
        std::uint64_t used = 0;      // when last found, for the bound
    };
    // Shared with the tasks in the background, which may outlive this.
    struct State {
        std::size_t max_bytes;
        std::mutex mutex;
        std::map<std::pair<std::string, Codec>, Slot> slots;
        std::size_t bytes = 0;
        std::uint64_t clock = 0;

        void keep(const std::pair<std::string, Codec>& key, std::int64_t version,
                  std::shared_ptr<const CompressedHead> head);
        static bool make(State& state, const std::string& key, std::int64_t version, Codec codec,
                         const Write& write, const std::atomic<bool>& stop);
    };
    // Marks the list as on its way, unless it is kept or on its way already.
    bool claim(const std::string& key, std::int64_t version, Codec codec);

    BackgroundWork& background_;
    std::shared_ptr<State> state_;
};
