#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// Slows down whoever guesses salesperson keys. A few wrong signatures cost nothing; after them each
// further one doubles the wait before the next request is even checked, up to a cap, counted apart
// for the salesperson the request names and for the address it comes from. A right signature, or an
// hour without a wrong one, starts over: the rightful salesperson waits at most the cap once the
// guessing stops. At the cap, the 100,000 five-digit keys take years.
class GuessThrottle {
public:
    static constexpr int kFreeFailures = 5;
    static constexpr std::int64_t kMaxWait = 15 * 60;
    static constexpr std::int64_t kForgetAfter = 60 * 60;

    // Seconds before a request for salesperson from peer may be checked; 0 when it may now, and then
    // the try counts as wrong until succeeded() says otherwise. Waiting and counting are one step,
    // so that guesses sent at once on many connections are counted one by one.
    std::int64_t try_guess(std::string_view peer, std::string_view salesperson, std::int64_t now);
    void succeeded(std::string_view peer, std::string_view salesperson);

private:
    struct Record {
        int failures = 0;
        std::int64_t last = 0;
        std::int64_t until = 0;
    };
    std::int64_t wait_for(const std::string& key, std::int64_t now) const;
    void fail(const std::string& key, std::int64_t now);
    void prune(std::int64_t now);

    // Records for names made up by a guesser are bounded: past this, the forgotten go first.
    static constexpr std::size_t kMaxRecords = 100000;
    std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
};
