#pragma once

#include "reply_compression.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The long beginning of a reply compressed once, at the codec's best, so that each caller's reply
// is that and its own short end compressed on the spot: the catalogues are the same for many calls
// but for the salesperson's key at their end.
class CompressedHead {
public:
    // Slow (some 25 s for 30 MB in zstd): meant for a background thread. Gives up, with nothing,
    // as soon as stop is set.
    static std::optional<CompressedHead> make(std::string_view head, Codec codec,
                                              const std::atomic<bool>& stop);

    // The whole reply, head and tail, in the codec's form.
    std::string with_tail(std::string_view tail) const;
    Codec codec() const { return codec_; }
    std::size_t plain_size() const { return plain_size_; }
    // What it holds in memory.
    std::size_t bytes() const { return data_.size(); }

private:
    CompressedHead() = default;

    Codec codec_ = Codec::None;
    std::string data_;      // zstd: one frame; gzip: a header and deflate blocks up to a full flush
    std::uint32_t crc_ = 0; // gzip: of the head, for the trailer
    std::size_t plain_size_ = 0;
};
