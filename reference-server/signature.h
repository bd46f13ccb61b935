#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// The request signature of the header X-Pedidos-Assinatura: "<unix time>:<hex>", where hex is the
// HMAC-SHA256, under the salesperson's key, of the time, a line feed and the exact body.
std::string request_signature(std::string_view key, std::int64_t time, std::string_view body);

// What a server that requires signatures checks of each request. Safe to use from several threads.
class SignatureGuard {
public:
    // A request more than this many seconds away from the server's clock is refused.
    static constexpr std::int64_t max_skew = 300;

    struct Stamp {
        std::int64_t time = 0;
        std::string mac; // lower-case hex
    };

    // The header read and its time checked against now. Raises RequestError 401 for a missing or
    // malformed header or a time off the clock.
    static Stamp read(std::string_view header, std::int64_t now);
    // Checks the signature under the key and that it was never accepted before; then remembers it
    // for as long as its time would pass.
    enum class Check { Accepted, Mismatch, Replayed };
    Check accept(const Stamp& stamp, std::string_view key, std::string_view body, std::int64_t now);

private:
    std::mutex mutex_;
    // Accepted signatures and their times; those whose time can no longer pass are dropped.
    std::unordered_map<std::string, std::int64_t> seen_;
    std::int64_t pruned_at_ = 0;
};
