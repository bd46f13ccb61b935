// A loopback link with a bandwidth per direction and a round-trip delay, between a client and a
// server on this machine: what a salesperson's mobile network does to the morning download.
//
//   link_simulator TARGET_HOST:PORT DOWN_KBITS UP_KBITS RTT_MS
//
// Listens on a free loopback port, prints "porta N", and forwards each connection to the target.
// Each direction of the link is one wire that every connection shares: a chunk starts out once the
// wire is free, takes its size over the rate to go out, and arrives half the round trip later;
// chunks follow one another on the wire, so the delay is paid once, not once per chunk, and two
// connections at once get half the rate each. A new connection sends nothing before a round trip
// has passed (the TCP handshake). Each connection's pipe holds at most what the link carries in a
// round trip (plus 64 KiB), so a sender waits as it would on a real link. On SIGINT or SIGTERM it
// prints "bytes DOWN UP" (what went to the client, and to the server) and ends.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long long> bytes_down{0};
std::atomic<long long> bytes_up{0};

// One direction of the link, shared by every connection.
class Wire {
public:
    explicit Wire(double bytes_per_second) : rate_(bytes_per_second) {}
    // Takes the wire for size bytes ready at `at`; returns when the last of them has gone out.
    Clock::time_point take(Clock::time_point at, std::size_t size)
    {
        const std::lock_guard lock(mutex_);
        free_ = std::max(at, free_) + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(static_cast<double>(size) / rate_));
        return free_;
    }
    double rate() const { return rate_; }

private:
    const double rate_;
    std::mutex mutex_;
    Clock::time_point free_{};
};

struct Chunk {
    std::vector<char> data; // empty: the sender closed its side
    Clock::time_point at;
};

class Pipe {
public:
    Pipe(int from, int to, Wire& wire, Clock::duration one_way, Clock::time_point not_before,
         std::atomic<long long>& count)
        : from_(from), to_(to), wire_(wire), one_way_(one_way), not_before_(not_before), count_(count),
          capacity_(
              static_cast<std::size_t>(wire.rate() * 2 * std::chrono::duration<double>(one_way).count()) +
              64 * 1024)
    {
    }

    void run()
    {
        std::thread writer([this] { write_loop(); });
        read_loop();
        writer.join();
    }

private:
    void read_loop()
    {
        std::vector<char> buffer(16 * 1024);
        for (;;) {
            const ssize_t n = ::read(from_, buffer.data(), buffer.size());
            Chunk chunk{{}, std::max(Clock::now(), not_before_)};
            if (n > 0) chunk.data.assign(buffer.data(), buffer.data() + n);
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return held_ < capacity_ || closed_; });
            held_ += chunk.data.size();
            const bool end = chunk.data.empty();
            queue_.push_back(std::move(chunk));
            changed_.notify_all();
            if (end || closed_) return;
        }
    }

    void write_loop()
    {
        Clock::time_point sent{};
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !queue_.empty(); });
                chunk = std::move(queue_.front());
                queue_.pop_front();
            }
            if (chunk.data.empty()) {
                std::this_thread::sleep_until(std::max(chunk.at, sent) + one_way_);
                ::shutdown(to_, SHUT_WR);
                return;
            }
            sent = wire_.take(chunk.at, chunk.data.size());
            std::this_thread::sleep_until(sent + one_way_);
            std::size_t done = 0;
            while (done < chunk.data.size()) {
                const ssize_t n = ::write(to_, chunk.data.data() + done, chunk.data.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            count_ += static_cast<long long>(chunk.data.size());
            std::lock_guard lock(mutex_);
            held_ -= chunk.data.size();
            if (done < chunk.data.size()) closed_ = true;
            changed_.notify_all();
            if (closed_) return;
        }
    }

    int from_, to_;
    Wire& wire_;
    Clock::duration one_way_;
    Clock::time_point not_before_;
    std::atomic<long long>& count_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> queue_;
    std::size_t held_ = 0;
    bool closed_ = false;
};

int connect_to(const std::string& host, int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: link_simulator TARGET_HOST:PORT DOWN_KBITS UP_KBITS RTT_MS\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::size_t colon = target.rfind(':');
    const std::string host = target.substr(0, colon);
    const int port = std::atoi(target.c_str() + colon + 1);
    static Wire down(std::atof(argv[2]) * 1000 / 8);
    static Wire up(std::atof(argv[3]) * 1000 / 8);
    const auto one_way = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(std::atof(argv[4]) / 2));

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("link_simulator");
        return 1;
    }
    std::printf("porta %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    std::thread([&] {
        for (;;) {
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0) continue;
            const Clock::time_point handshake_done = Clock::now() + 2 * one_way;
            const int server = connect_to(host, port);
            if (server < 0) {
                ::close(client);
                continue;
            }
            for (const int s : {client, server}) {
                const int on = 1;
                ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            }
            std::thread([=] {
                auto to_server =
                    std::make_shared<Pipe>(client, server, up, one_way, handshake_done, bytes_up);
                auto to_client =
                    std::make_shared<Pipe>(server, client, down, one_way, handshake_done, bytes_down);
                std::thread upward([to_server] { to_server->run(); });
                to_client->run();
                upward.join();
                ::close(client);
                ::close(server);
            }).detach();
        }
    }).detach();

    int signal = 0;
    sigwait(&stop, &signal);
    std::printf("bytes %lld %lld\n", bytes_down.load(), bytes_up.load());
    std::fflush(stdout);
    std::_Exit(0);
}
