#pragma once

#include "reply_compression.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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
        bool compressed_ = false;
        std::string zstd_;      // one frame
        std::string gzip_;      // a gzip header and deflate blocks up to a full flush
        std::uint32_t crc_ = 0; // of the head, for the gzip trailer
    };

    ProductCache() = default;
    ~ProductCache();
    ProductCache(const ProductCache&) = delete;
    ProductCache& operator=(const ProductCache&) = delete;

    // The entry of empresa for the catalogue's current version, written by write(head) when there
    // is none. Calls that arrive while it is written wait for it instead of writing it again.
    std::shared_ptr<const Entry> get(Database& db, const std::string& empresa,
                                     const std::function<void(std::string& head)>& write);

    // Waits for the background compression started so far (for tests).
    void settle();

private:
    struct Slot {
        std::int64_t version = -1;
        std::shared_ptr<Entry> entry;
        bool writing = false;
    };
    void compress_later(std::shared_ptr<Entry> entry);

    std::mutex mutex_;
    std::condition_variable written_;
    std::map<std::string, Slot> slots_;
    struct Compression {
        std::shared_ptr<std::atomic<bool>> done;
        std::thread thread;
    };
    std::vector<Compression> compressing_;
};

// The catalogue's version: raised by triggers on every change of products, price tables and prices.
std::int64_t catalogue_version(Database& db);
// Makes the version table and its triggers when missing; after the first load, which they would slow.
void ensure_catalogue_version(Database& db);
