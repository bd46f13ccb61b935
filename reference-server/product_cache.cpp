#include "product_cache.h"

#include "database.h"

#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <stdexcept>

namespace {

// Once per change of the catalogue, in the background: near the best these codecs do, at a cost a
// server can pay (zstd 16 takes some 5 s for the 20 MB of 20,000 products; 19 takes four times as long
// for 7 % less).
constexpr int kZstdLevel = 16;
constexpr int kGzipLevel = 9;

std::string zstd_frame(std::string_view text, int level)
{
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const std::size_t n = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), level);
    if (ZSTD_isError(n)) throw std::runtime_error(ZSTD_getErrorName(n));
    out.resize(n);
    return out;
}

// Raw deflate blocks of text; with finish, the last block, else blocks up to a full flush, after which
// nothing refers back: blocks made afresh by another stream may follow them.
std::string deflate_blocks(std::string_view text, int level, bool finish)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib indisponível");
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, finish ? Z_FINISH : Z_FULL_FLUSH);
    const std::size_t n = out.size() - z.avail_out;
    deflateEnd(&z);
    if (status != (finish ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
        throw std::runtime_error("falha ao comprimir a lista de produtos");
    out.resize(n);
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

std::optional<std::string> ProductCache::Entry::encoded(Codec codec, std::string_view tail) const
{
    {
        const std::lock_guard lock(mutex_);
        if (!compressed_) return std::nullopt;
    }
    // The compressed forms never change once made: read outside the lock.
    if (codec == Codec::Zstd) return zstd_ + zstd_frame(tail, 3);
    if (codec == Codec::Gzip) {
        // One gzip member: the head's blocks, the tail's, and the trailer of the whole text.
        std::string out = gzip_ + deflate_blocks(tail, 6, true);
        put_le32(out, static_cast<std::uint32_t>(
                          crc32_combine(crc_, crc_of(tail), static_cast<z_off_t>(tail.size()))));
        put_le32(out, static_cast<std::uint32_t>(head_.size() + tail.size()));
        return out;
    }
    return std::nullopt;
}

ProductCache::~ProductCache()
{
    settle();
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

void ProductCache::compress_later(std::shared_ptr<Entry> entry)
{
    std::erase_if(compressing_, [](Compression& c) {
        if (!*c.done) return false;
        c.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    compressing_.push_back({done, std::thread([entry, done] {
                                // Requests come first: this thread takes what the others leave.
                                setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
                                try {
                                    std::string zstd = zstd_frame(entry->head_, kZstdLevel);
                                    std::string gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
                                    gzip += deflate_blocks(entry->head_, kGzipLevel, false);
                                    const std::uint32_t crc = crc_of(entry->head_);
                                    const std::lock_guard lock(entry->mutex_);
                                    entry->zstd_ = std::move(zstd);
                                    entry->gzip_ = std::move(gzip);
                                    entry->crc_ = crc;
                                    entry->compressed_ = true;
                                } catch (const std::exception&) {
                                    // Left uncompressed: replies go compressed as they are sent, as before.
                                }
                                *done = true;
                            })});
}

void ProductCache::settle()
{
    std::vector<Compression> compressions;
    {
        const std::lock_guard lock(mutex_);
        compressions.swap(compressing_);
    }
    for (Compression& c : compressions)
        c.thread.join();
}

std::int64_t catalogue_version(Database& db)
{
    auto query = db.prepare("SELECT n FROM versao_catalogo");
    return query.step() ? query.integer(0) : 0;
}

void ensure_catalogue_version(Database& db)
{
    std::string sql =
        "CREATE TABLE IF NOT EXISTS versao_catalogo (n INTEGER NOT NULL);"
        "INSERT INTO versao_catalogo SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM versao_catalogo);";
    for (const char* table : {"produto", "tabela_preco", "tabela_produto"})
        for (const char* event : {"INSERT", "UPDATE", "DELETE"})
            sql += std::string("CREATE TRIGGER IF NOT EXISTS versao_") + table + "_" + event + " AFTER " +
                   event + " ON " + table + " BEGIN UPDATE versao_catalogo SET n = n + 1; END;";
    db.exec(sql);
}
