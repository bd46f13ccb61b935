#include "guess_throttle.h"

#include <algorithm>
#include <vector>

namespace {

std::string peer_key(std::string_view peer)
{
    return "p " + std::string(peer);
}

std::string salesperson_key(std::string_view salesperson)
{
    return "v " + std::string(salesperson);
}

} // namespace

std::int64_t GuessThrottle::try_guess(std::string_view peer, std::string_view salesperson, std::int64_t now)
{
    const std::lock_guard lock(mutex_);
    const std::int64_t wait =
        std::max(wait_for(peer_key(peer), now), wait_for(salesperson_key(salesperson), now));
    if (wait > 0) return wait;
    if (records_.size() >= kMaxRecords) prune(now);
    fail(peer_key(peer), now);
    fail(salesperson_key(salesperson), now);
    return 0;
}

void GuessThrottle::succeeded(std::string_view peer, std::string_view salesperson)
{
    const std::lock_guard lock(mutex_);
    records_.erase(peer_key(peer));
    records_.erase(salesperson_key(salesperson));
}

std::int64_t GuessThrottle::wait_for(const std::string& key, std::int64_t now) const
{
    const auto found = records_.find(key);
    if (found == records_.end()) return 0;
    return std::max<std::int64_t>(0, found->second.until - now);
}

void GuessThrottle::fail(const std::string& key, std::int64_t now)
{
    Record& record = records_[key];
    if (now - record.last > kForgetAfter) record = {};
    record.failures += 1;
    record.last = now;
    const int over = record.failures - kFreeFailures;
    // 2, 4, 8 ... seconds: counted in whole seconds, a wait of one could end at once.
    if (over > 0)
        record.until = now + (over >= 10 ? kMaxWait : std::min<std::int64_t>(kMaxWait, 1LL << over));
}

void GuessThrottle::prune(std::int64_t now)
{
    std::erase_if(records_, [now](const auto& entry) {
        return now - entry.second.last > kForgetAfter && entry.second.until <= now;
    });
    // Still full: a flood of made-up names. The oldest go, waits and all, rather than the memory.
    if (records_.size() >= kMaxRecords) {
        std::int64_t cut = now;
        std::vector<std::int64_t> lasts;
        lasts.reserve(records_.size());
        for (const auto& [key, record] : records_)
            lasts.push_back(record.last);
        std::nth_element(lasts.begin(), lasts.begin() + static_cast<std::ptrdiff_t>(lasts.size() / 2),
                         lasts.end());
        cut = lasts[lasts.size() / 2];
        std::erase_if(records_, [cut](const auto& entry) { return entry.second.last <= cut; });
    }
}
