#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// What one request may cost the server. Orders and requests are small; the bounds keep a slow,
// idle or runaway peer from holding what others need.
namespace http_limits {

using namespace std::chrono_literals;

// A request's headers, all of them (431 beyond).
constexpr std::size_t kHeaderBytes = 16 * 1024;
// A request's body, whatever its framing (413 beyond).
constexpr std::uint64_t kBodyBytes = 16 * 1024 * 1024;
// From the connection (or the end of the last reply) to the end of the headers.
constexpr auto kHeaderTime = 10s;
// A body may start slowly, then must keep up this rate on average.
constexpr auto kBodyGrace = 10s;
constexpr double kBodyBytesPerSecond = 8 * 1024;
// A TLS handshake.
constexpr auto kHandshakeTime = 10s;
// Each piece of a reply must be taken by the peer within this time (a reply goes in pieces of some
// 256 KiB before compression).
constexpr auto kWriteTime = 120s;
// Open connections, from one address and in all. The address bound is high because a company's
// salespeople may share one address behind its router.
constexpr std::size_t kConnectionsPerPeer = 256;
constexpr std::size_t kConnections = 2048;

} // namespace http_limits
