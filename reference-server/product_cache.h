#pragma once

#include "compressed_head.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class BackgroundWork;
class Database;

// A company's product list is the same for each of its salespeople but for the key at its end, and
// changes only when the catalogue does. It is written once per change of the catalogue tables
// (their triggers count the changes) and compressed once, at the codecs' best, in the background;
// every salesperson's reply is then that text and a few bytes of their own.
class ProductCache {
public:
    // The reply up to its last pair, which is the salesperson's key.
    class Entry {
    public:
        const std::string& head() const { return head_; }
        // The whole reply, head and tail, in codec's form (zstd or gzip); nothing while the head is
        // still being compressed.
        std::optional<std::string> encoded(Codec codec, std::string_view tail) const;

    private:
        friend class ProductCache;
        std::string head_;
        mutable std::mutex mutex_;
        std::shared_ptr<const CompressedHead> zstd_;
        std::shared_ptr<const CompressedHead> gzip_;
    };

    explicit ProductCache(BackgroundWork& background) : background_(background) {}
    ProductCache(const ProductCache&) = delete;
    ProductCache& operator=(const ProductCache&) = delete;

    // The entry of empresa for the catalogue's current version, written by write(head) when there
    // is none. Calls that arrive while it is written wait for it instead of writing it again.
    std::shared_ptr<const Entry> get(Database& db, const std::string& empresa,
                                     const std::function<void(std::string& head)>& write);
    // The same ahead of any call, on the background's thread, compressed there too: nothing when the
    // entry is current or being written, and no call ever waits for it. Whether it made the entry.
    bool warm(Database& db, const std::string& empresa, const std::function<void(std::string& head)>& write,
              const std::atomic<bool>& stop);

private:
    struct Slot {
        std::int64_t version = -1;
        std::shared_ptr<Entry> entry;
        bool writing = false;
    };
    void compress_later(std::shared_ptr<Entry> entry);
    static void compress(Entry& entry, const std::atomic<bool>& stop);

    BackgroundWork& background_;
    std::mutex mutex_;
    std::condition_variable written_;
    std::map<std::string, Slot> slots_;
};
