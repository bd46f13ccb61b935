#include "compressed_head.h"

#include <zlib.h>
#include <zstd.h>

#include <memory>
#include <stdexcept>

namespace {

// Once per change of a list, in the background: the best these codecs do. zstd 19 takes twice as
// long as 16 for 10 % less on the catalogues' JSON, which is 0.1 s of a morning download on 4G.
constexpr int kZstdLevel = 19;
constexpr int kGzipLevel = 9;
// Between two steps of this size the work looks whether it is to stop.
constexpr std::size_t kStep = 256 * 1024;

std::string zstd_frame(std::string_view text, int level, const std::atomic<bool>* stop)
{
    const std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> cctx(ZSTD_createCCtx(), ZSTD_freeCCtx);
    if (!cctx || ZSTD_isError(ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_compressionLevel, level)) ||
        ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(cctx.get(), text.size())))
        throw std::runtime_error("zstd indisponível");
    std::string out(ZSTD_compressBound(text.size()), '\0');
    ZSTD_outBuffer buffer{out.data(), out.size(), 0};
    std::size_t at = 0;
    for (;;) {
        if (stop && *stop) return {};
        const std::size_t n = std::min(kStep, text.size() - at);
        const bool last = at + n == text.size();
        ZSTD_inBuffer in{text.data() + at, n, 0};
        const std::size_t left =
            ZSTD_compressStream2(cctx.get(), &buffer, &in, last ? ZSTD_e_end : ZSTD_e_continue);
        if (ZSTD_isError(left)) throw std::runtime_error(ZSTD_getErrorName(left));
        // The output has room for the whole frame: the input is always taken whole.
        at += in.pos;
        if (last && left == 0) break;
    }
    out.resize(buffer.pos);
    return out;
}

// Raw deflate blocks of text; with finish, the last block, else blocks up to a full flush, after which
// nothing refers back: blocks made afresh by another stream may follow them.
std::string deflate_blocks(std::string_view text, int level, bool finish, const std::atomic<bool>* stop)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib indisponível");
    const std::unique_ptr<z_stream, decltype(&deflateEnd)> end(&z, deflateEnd);
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())) + 64, '\0');
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    std::size_t at = 0;
    for (;;) {
        if (stop && *stop) return {};
        const std::size_t n = std::min(kStep, text.size() - at);
        const bool last = at + n == text.size();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + at));
        z.avail_in = static_cast<uInt>(n);
        const int flush = !last ? Z_NO_FLUSH : finish ? Z_FINISH : Z_FULL_FLUSH;
        const int status = deflate(&z, flush);
        if (status != (flush == Z_FINISH ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
            throw std::runtime_error("falha ao comprimir a lista");
        at += n;
        if (last) break;
    }
    out.resize(out.size() - z.avail_out);
    return out;
}

std::uint32_t crc_of(std::string_view text)
{
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

void put_le32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::optional<CompressedHead> CompressedHead::make(std::string_view head, Codec codec,
                                                   const std::atomic<bool>& stop)
{
    CompressedHead made;
    made.codec_ = codec;
    made.plain_size_ = head.size();
    if (codec == Codec::Zstd) {
        made.data_ = zstd_frame(head, kZstdLevel, &stop);
    } else if (codec == Codec::Gzip) {
        made.data_.assign("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
        made.data_ += deflate_blocks(head, kGzipLevel, false, &stop);
        made.crc_ = crc_of(head);
    } else {
        throw std::logic_error("CompressedHead sem codec");
    }
    if (stop) return std::nullopt;
    return made;
}

std::string CompressedHead::with_tail(std::string_view tail) const
{
    if (codec_ == Codec::Zstd) return data_ + zstd_frame(tail, 3, nullptr);
    // One gzip member: the head's blocks, the tail's, and the trailer of the whole text.
    std::string out = data_ + deflate_blocks(tail, 6, true, nullptr);
    put_le32(out, static_cast<std::uint32_t>(
                      crc32_combine(crc_, crc_of(tail), static_cast<z_off_t>(tail.size()))));
    put_le32(out, static_cast<std::uint32_t>(plain_size_ + tail.size()));
    return out;
}
