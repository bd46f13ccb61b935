#include "signature.h"

#include "request_error.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <charconv>
#include <stdexcept>

namespace {

constexpr std::size_t kMacHexLength = 64;

std::string to_hex(const unsigned char* bytes, std::size_t n)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 0xF];
    }
    return hex;
}

std::string mac_hex(std::string_view key, std::int64_t time, std::string_view body)
{
    // Requests are small (the HTTP layer refuses bodies past 16 MiB), so one buffer is fine.
    std::string message = std::to_string(time);
    message += '\n';
    message += body;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac, &length))
        throw std::runtime_error("HMAC-SHA256 indisponível na biblioteca OpenSSL");
    return to_hex(mac, length);
}

[[noreturn]] void refuse(const std::string& why)
{
    throw RequestError(401, why);
}

} // namespace

std::string request_signature(std::string_view key, std::int64_t time, std::string_view body)
{
    return std::to_string(time) + ':' + mac_hex(key, time, body);
}

SignatureGuard::Stamp SignatureGuard::read(std::string_view header, std::int64_t now)
{
    if (header.empty())
        refuse("Requisição sem assinatura: este servidor exige o cabeçalho X-Pedidos-Assinatura");
    const std::size_t colon = header.find(':');
    Stamp stamp;
    const char* end = header.data() + (colon == std::string_view::npos ? header.size() : colon);
    const auto [stop, error] = std::from_chars(header.data(), end, stamp.time);
    const std::string_view hex =
        colon == std::string_view::npos ? std::string_view() : header.substr(colon + 1);
    bool well_formed = colon != std::string_view::npos && colon > 0 && error == std::errc() && stop == end &&
                       stamp.time >= 0 && hex.size() == kMacHexLength;
    for (const char c : hex) {
        const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        well_formed = well_formed && digit;
        stamp.mac += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    if (!well_formed)
        refuse("Assinatura da requisição mal formada: esperado X-Pedidos-Assinatura: <hora unix>:<64 "
               "dígitos hexadecimais>");
    if (stamp.time > now + max_skew || stamp.time < now - max_skew)
        refuse("Assinatura da requisição fora do horário: a hora dela difere em mais de 5 minutos do "
               "relógio do servidor");
    return stamp;
}

SignatureGuard::Check SignatureGuard::accept(const Stamp& stamp, std::string_view key, std::string_view body,
                                             std::int64_t now)
{
    const std::string expected = mac_hex(key, stamp.time, body);
    if (CRYPTO_memcmp(expected.data(), stamp.mac.data(), expected.size()) != 0) return Check::Mismatch;

    const std::lock_guard lock(mutex_);
    if (now != pruned_at_) {
        std::erase_if(seen_, [&](const auto& entry) { return entry.second < now - max_skew; });
        pruned_at_ = now;
    }
    // The time is part of the key: the same MAC at another time is another signature.
    if (!seen_.emplace(std::to_string(stamp.time) + ':' + stamp.mac, stamp.time).second)
        return Check::Replayed;
    return Check::Accepted;
}
