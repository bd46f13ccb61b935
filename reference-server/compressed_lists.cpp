#include "compressed_lists.h"

#include "background_work.h"

CompressedLists::CompressedLists(BackgroundWork& background, std::size_t max_bytes)
    : background_(background), state_(std::make_shared<State>())
{
    state_->max_bytes = max_bytes;
}

std::shared_ptr<const CompressedHead> CompressedLists::find(const std::string& key, std::int64_t version,
                                                            Codec codec)
{
    const std::lock_guard lock(state_->mutex);
    const auto found = state_->slots.find({key, codec});
    if (found == state_->slots.end() || found->second.version != version) return nullptr;
    found->second.used = ++state_->clock;
    return found->second.head;
}

bool CompressedLists::claim(const std::string& key, std::int64_t version, Codec codec)
{
    const std::lock_guard lock(state_->mutex);
    Slot& slot = state_->slots[{key, codec}];
    if ((slot.head && slot.version >= version) || slot.preparing >= version) return false;
    slot.preparing = version;
    return true;
}

void CompressedLists::prepare(const std::string& key, std::int64_t version, Codec codec, Write write)
{
    if (!claim(key, version, codec)) return;
    background_.post(
        [state = state_, key, version, codec, write = std::move(write)](const std::atomic<bool>& stop) {
            State::make(*state, key, version, codec, write, stop);
        });
}

bool CompressedLists::make_now(const std::string& key, std::int64_t version, Codec codec, const Write& write,
                               const std::atomic<bool>& stop)
{
    return claim(key, version, codec) && State::make(*state_, key, version, codec, write, stop);
}

bool CompressedLists::State::make(State& state, const std::string& key, std::int64_t version, Codec codec,
                                  const Write& write, const std::atomic<bool>& stop)
{
    std::shared_ptr<const CompressedHead> head;
    try {
        if (std::optional<CompressedHead> made = CompressedHead::make(write(), codec, stop))
            head = std::make_shared<const CompressedHead>(std::move(*made));
    } catch (...) {
        // Not kept: the next download asks again.
    }
    const bool made = head != nullptr;
    state.keep({key, codec}, version, std::move(head));
    return made;
}

std::size_t CompressedLists::bytes() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->bytes;
}

void CompressedLists::State::keep(const std::pair<std::string, Codec>& key, std::int64_t version,
                                  std::shared_ptr<const CompressedHead> head)
{
    const std::lock_guard lock(mutex);
    Slot& slot = slots[key];
    if (slot.preparing == version) slot.preparing = -1;
    // A list made for an older version than the one kept, or that could not be made, is dropped.
    if (!head || (slot.head && slot.version > version)) return;
    if (slot.head) bytes -= slot.head->bytes();
    bytes += head->bytes();
    slot.head = std::move(head);
    slot.version = version;
    slot.used = ++clock;
    // Past the bound, the least recently used go first; the one just made stays even alone past it.
    while (bytes > max_bytes) {
        auto oldest = slots.end();
        for (auto it = slots.begin(); it != slots.end(); ++it)
            if (it->second.head && it->first != key &&
                (oldest == slots.end() || it->second.used < oldest->second.used))
                oldest = it;
        if (oldest == slots.end()) break;
        bytes -= oldest->second.head->bytes();
        if (oldest->second.preparing == -1) {
            slots.erase(oldest);
        } else {
            oldest->second.head.reset();
            oldest->second.version = -1;
        }
    }
}
