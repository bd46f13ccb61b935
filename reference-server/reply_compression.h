#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// How a reply travels: as it is, or compressed with a codec the request accepts.
enum class Codec { None, Zstd, Gzip };

// Replies shorter than this go as they are: compressing them saves no time on any link.
constexpr std::size_t kCompressFrom = 1024;

// The codec for a request's Accept-Encoding header: zstd (smaller and faster) when accepted, then
// gzip, which every client has; None when neither is listed or both are refused with q=0.
Codec accepted_codec(std::string_view accept_encoding);
// The Content-Encoding name of a codec other than None.
const char* codec_name(Codec codec);

// Compresses a reply piece by piece, so that a large reply is compressed while it is sent and never
// held whole in compressed form. The levels were chosen by the catalogue benchmark over a simulated
// link (bench/README.md): the compressed bytes come out faster than a 100 Mbit/s link takes them.
class StreamCompressor {
public:
    explicit StreamCompressor(Codec codec);
    ~StreamCompressor();
    StreamCompressor(const StreamCompressor&) = delete;
    StreamCompressor& operator=(const StreamCompressor&) = delete;

    // Appends to out the compressed form of input, as far as the codec has it ready; with last, the
    // end of the stream as well.
    void compress(std::string_view input, bool last, std::string& out);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
