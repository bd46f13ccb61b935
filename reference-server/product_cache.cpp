#include "product_cache.h"

#include "background_work.h"
#include "list_versions.h"

std::optional<std::string> ProductCache::Entry::encoded(Codec codec, std::string_view tail) const
{
    std::shared_ptr<const CompressedHead> head;
    {
        const std::lock_guard lock(mutex_);
        head = codec == Codec::Zstd ? zstd_ : codec == Codec::Gzip ? gzip_ : nullptr;
    }
    // Made once and never changed: the tail is added outside the lock.
    if (!head) return std::nullopt;
    return head->with_tail(tail);
}

std::shared_ptr<const ProductCache::Entry>
ProductCache::get(Database& db, const std::string& empresa,
                  const std::function<void(std::string& head)>& write)
{
    const std::int64_t version = catalogue_version(db);
    std::unique_lock lock(mutex_);
    Slot& slot = slots_[empresa];
    written_.wait(lock, [&] { return !slot.writing; });
    if (slot.entry && slot.version == version) return slot.entry;

    slot.writing = true;
    lock.unlock();
    std::shared_ptr<Entry> entry;
    try {
        entry = std::make_shared<Entry>();
        write(entry->head_);
    } catch (...) {
        lock.lock();
        slot.writing = false;
        written_.notify_all();
        throw;
    }
    lock.lock();
    slot.writing = false;
    // A change made while it was written gives it a version too old: the next call writes it again.
    slot.version = version;
    slot.entry = entry;
    written_.notify_all();
    compress_later(entry);
    return entry;
}

bool ProductCache::warm(Database& db, const std::string& empresa,
                        const std::function<void(std::string& head)>& write, const std::atomic<bool>& stop)
{
    const std::int64_t version = catalogue_version(db);
    const auto current = [&] {
        const Slot& slot = slots_[empresa];
        return slot.writing || (slot.entry && slot.version >= version);
    };
    {
        const std::lock_guard lock(mutex_);
        if (current()) return false;
    }
    // Written outside the slot: a call that comes meanwhile writes its own rather than wait for a
    // thread that runs only when nothing else would.
    auto entry = std::make_shared<Entry>();
    write(entry->head_);
    {
        const std::lock_guard lock(mutex_);
        if (current()) return false;
        Slot& slot = slots_[empresa];
        slot.version = version;
        slot.entry = entry;
    }
    compress(*entry, stop);
    return true;
}

void ProductCache::compress(Entry& entry, const std::atomic<bool>& stop)
{
    // zstd first: the codec the program asks for.
    for (const Codec codec : {Codec::Zstd, Codec::Gzip}) {
        std::optional<CompressedHead> made = CompressedHead::make(entry.head_, codec, stop);
        if (!made) return;
        auto shared = std::make_shared<const CompressedHead>(std::move(*made));
        const std::lock_guard lock(entry.mutex_);
        (codec == Codec::Zstd ? entry.zstd_ : entry.gzip_) = std::move(shared);
    }
}

void ProductCache::compress_later(std::shared_ptr<Entry> entry)
{
    background_.post([entry](const std::atomic<bool>& stop) { compress(*entry, stop); });
}
