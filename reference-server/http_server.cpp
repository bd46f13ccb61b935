#include "http_server.h"

#include "call.h"
#include "connection_table.h"
#include "formats.h"
#include "http_limits.h"
#include "reply_compression.h"
#include "reply_pieces.h"
#include "requests.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using asio::awaitable;
using asio::use_awaitable;
using namespace http_limits;

namespace {

constexpr std::string_view base_path = "/datasnap/rest/TModuleOnline/";
constexpr const char* json_type = "application/json; charset=utf-8";

std::mutex log_mutex;

// A field of the log line as one word, whatever the peer sent; a free text keeps its spaces.
std::string printable(std::string_view text, bool spaces = false)
{
    std::string out = text.empty() ? "-" : std::string(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || (c == ' ' && !spaces)) c = '?';
    return out;
}

// What the log line of one request says.
struct RequestLog {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::string peer;
    unsigned short port = 0;
    std::string method = "-";
    std::string target = "-";
    CallInfo call;
    int status = 0;
    std::size_t bytes = 0;
    // A compressed reply: its size before, its codec and the bytes that went out.
    Codec codec = Codec::None;
    std::size_t wire_bytes = 0;
    std::string cause;
};

// What an attack repeats by the thousand is not written line by line, or the log would fill the
// disk: a wait told to a guesser (429) gets a line once a minute per address, and connections closed
// without a request are only counted. A line once a minute sums up what was left out.
class QuietLog {
public:
    enum class Closed { ForRoom, SlowHeader, SlowBody, NoRoom };

    bool first_wait(const std::string& peer)
    {
        const auto now = std::chrono::steady_clock::now();
        const std::lock_guard lock(mutex_);
        auto [at, added] = last_wait_.try_emplace(peer, now);
        if (!added && now - at->second < std::chrono::minutes(1)) {
            ++waits_left_out_;
            return false;
        }
        at->second = now;
        return true;
    }
    void closed(Closed reason)
    {
        const std::lock_guard lock(mutex_);
        ++closed_[static_cast<int>(reason)];
    }
    // What was left out since the last call; empty when nothing was.
    std::string summary()
    {
        const std::lock_guard lock(mutex_);
        std::string text;
        const auto add = [&](std::size_t n, const char* what) {
            if (n == 0) return;
            text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + what;
        };
        add(closed_[0], "conexões fechadas para dar lugar a outras");
        add(closed_[1], "sem o cabeçalho completo a tempo");
        add(closed_[2], "com o corpo lento demais");
        add(closed_[3], "recusadas com o servidor cheio (503)");
        add(waits_left_out_, "respostas 429 sem linha própria");
        closed_ = {};
        waits_left_out_ = 0;
        last_wait_.clear();
        return text;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::chrono::steady_clock::time_point> last_wait_;
    std::size_t waits_left_out_ = 0;
    std::array<std::size_t, 4> closed_{};
};
QuietLog quiet_log;

void write_summary()
{
    const std::string left_out = quiet_log.summary();
    if (left_out.empty()) return;
    const std::lock_guard lock(log_mutex);
    std::fprintf(stderr, "%s no último minuto: %s\n", utc_stamp(clock_seconds()).c_str(), left_out.c_str());
}

void write_log_line(const RequestLog& log)
{
    if (log.status == 429 && !quiet_log.first_wait(log.peer)) return;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - log.start)
            .count();
    std::string target = log.target;
    if (target.starts_with(base_path)) target.erase(0, base_path.size());
    // When (UTC) and from whom, so that a line read later or under attack can be placed.
    const std::string when = utc_stamp(clock_seconds());
    std::string size = std::to_string(log.bytes) + " bytes";
    if (log.codec != Codec::None)
        size += std::string(" (") + codec_name(log.codec) + " " + std::to_string(log.wire_bytes) + ")";
    std::string cause;
    if (!log.cause.empty()) cause = " causa: " + printable(log.cause, true);
    const std::lock_guard lock(log_mutex);
    std::fprintf(stderr, "%s %s:%d %s %s %s %s %d %s %lld ms%s\n", when.c_str(), printable(log.peer).c_str(),
                 log.port, printable(log.method).c_str(), printable(target).c_str(),
                 printable(log.call.kind).c_str(), printable(log.call.salesperson).c_str(), log.status,
                 size.c_str(), elapsed, cause.c_str());
}

std::string openssl_error()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return std::string(" (") + text + ")";
}

// Loads the certificate and key into a TLS context, keeping the cause of a failure.
std::unique_ptr<asio::ssl::context> tls_context(const TlsFiles& tls)
{
    auto context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    SSL_CTX* ctx = context->native_handle();
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION |
                                 SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(ctx, tls.certificate.c_str()) != 1)
        throw std::runtime_error("não foi possível ler o certificado TLS " + tls.certificate +
                                 openssl_error());
    BIO* file = BIO_new_file(tls.key.c_str(), "r");
    EVP_PKEY* key = file ? PEM_read_bio_PrivateKey(file, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(file);
    std::string failure;
    if (!key)
        failure = "não foi possível ler a chave privada TLS " + tls.key + openssl_error();
    else if (SSL_CTX_use_PrivateKey(ctx, key) != 1 || SSL_CTX_check_private_key(ctx) != 1)
        failure = "a chave privada " + tls.key + " não corresponde ao certificado " + tls.certificate;
    EVP_PKEY_free(key);
    ERR_clear_error();
    if (!failure.empty()) throw std::runtime_error(failure);
    return context;
}

// The answer to a request refused before it reached the handler.
struct Refusal {
    http::status status;
    std::string message;
};

std::optional<Refusal> refusal_of(const beast::error_code& error)
{
    if (error == http::error::header_limit)
        return Refusal{http::status::request_header_fields_too_large,
                       "Cabeçalhos da requisição grandes demais"};
    if (error == http::error::body_limit)
        return Refusal{http::status::payload_too_large, "Requisição grande demais"};
    if (error.category() == http::make_error_code(http::error::bad_target).category() &&
        error != http::error::end_of_stream && error != http::error::partial_message &&
        error != http::error::need_more)
        return Refusal{http::status::bad_request, "Requisição HTTP inválida"};
    return std::nullopt;
}

std::optional<ServerMethod> method_of(std::string_view path)
{
    if (!path.starts_with(base_path)) return std::nullopt;
    path.remove_prefix(base_path.size());
    if (path == "getDados_OnLine") return ServerMethod::GetDados;
    if (path == "postDados_OnLine") return ServerMethod::PostDados;
    return std::nullopt;
}

// Sockets beyond the default of 1024 open files: the connection bounds are the limit, not the system.
std::size_t raise_open_files()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 2 * kConnections + 256);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

} // namespace

struct HttpServer::Impl {
    Impl(const RequestHandler& h, const TlsFiles* tls, bool c)
        : handler(h), compress(c), tls_context(tls ? ::tls_context(*tls) : nullptr),
          connections({std::min(kConnections, raise_open_files() / 2), kConnectionsPerPeer})
    {
    }

    // In this order: the connections' coroutines, which go with io, use the table and the TLS
    // context; the workers wake connections through io.
    const RequestHandler& handler;
    const bool compress;
    std::unique_ptr<asio::ssl::context> tls_context;
    ConnectionTable connections;
    asio::io_context io;
    tcp::acceptor acceptor{io};
    // The handler's work and the catalogue writers: database calls and compression.
    asio::thread_pool workers{std::max(4u, 2 * std::thread::hardware_concurrency())};

    awaitable<void> accept_loop();
    template <class Stream>
    awaitable<void> session(std::shared_ptr<Stream> stream, std::string peer, unsigned short port);
    template <class Stream>
    awaitable<void> serve(Stream& stream, ConnectionTable::Entry& entry, const std::string& peer,
                          unsigned short port);
    template <class Stream>
    awaitable<void> answer(Stream& stream, ServerMethod method, http::request<http::string_body>& request,
                           RequestLog& log);
    template <class Stream>
    awaitable<void> send_pieces(Stream& stream, ReplyPieces& pieces,
                                const http::request<http::string_body>& request, Codec codec,
                                RequestLog& log);
};

// A whole JSON reply, ready to write.
http::response<http::string_body> json_response(http::status status, unsigned version, bool keep_alive,
                                                std::string body)
{
    http::response<http::string_body> response{status, version};
    response.set(http::field::content_type, json_type);
    response.keep_alive(keep_alive);
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

// Writes a whole reply within the write time.
template <class Stream>
awaitable<void> send_whole(Stream& stream, const http::request<http::string_body>& request,
                           http::status status, std::string body, Codec codec, bool vary, RequestLog& log,
                           std::int64_t retry_after = 0)
{
    log.status = static_cast<int>(status);
    log.wire_bytes = body.size();
    auto response = json_response(status, request.version(), request.keep_alive(), std::move(body));
    if (codec != Codec::None) response.set(http::field::content_encoding, codec_name(codec));
    // Caches between the two must keep the forms apart.
    if (vary) response.set(http::field::vary, "Accept-Encoding");
    if (retry_after > 0) response.set(http::field::retry_after, std::to_string(retry_after));
    beast::get_lowest_layer(stream).expires_after(kWriteTime);
    co_await http::async_write(stream, response, use_awaitable);
}

// An answer given before the request reached the handler; the connection closes after it, since
// the rest of the request may still be on its way.
template <class Stream>
awaitable<void> send_refusal(Stream& stream, unsigned version, const Refusal& refusal, RequestLog& log)
{
    auto response = json_response(refusal.status, version, false, error_body(refusal.message));
    log.status = static_cast<int>(refusal.status);
    log.bytes = response.body().size();
    beast::get_lowest_layer(stream).expires_after(std::chrono::seconds(5));
    beast::error_code ignored;
    co_await http::async_write(stream, response, asio::redirect_error(use_awaitable, ignored));
}

awaitable<void> HttpServer::Impl::accept_loop()
{
    for (;;) {
        auto [error, socket] =
            co_await acceptor.async_accept(asio::make_strand(io), asio::as_tuple(use_awaitable));
        if (error == asio::error::operation_aborted) co_return;
        if (error) {
            // Out of sockets or memory for a moment: let connections end before accepting more.
            asio::steady_timer pause(co_await asio::this_coro::executor, std::chrono::milliseconds(50));
            co_await pause.async_wait(asio::as_tuple(use_awaitable));
            continue;
        }
        beast::error_code ignored;
        const tcp::endpoint remote = socket.remote_endpoint(ignored);
        socket.set_option(tcp::no_delay(true), ignored);
        const std::string peer = remote.address().to_string(ignored);
        const auto executor = socket.get_executor();
        if (tls_context) {
            auto stream =
                std::make_shared<beast::ssl_stream<beast::tcp_stream>>(std::move(socket), *tls_context);
            asio::co_spawn(executor, session(std::move(stream), peer, remote.port()), asio::detached);
        } else {
            auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
            asio::co_spawn(executor, session(std::move(stream), peer, remote.port()), asio::detached);
        }
    }
}

template <class Stream>
awaitable<void> HttpServer::Impl::session(std::shared_ptr<Stream> stream, std::string peer,
                                          unsigned short port)
{
    auto& socket = beast::get_lowest_layer(*stream).socket();
    // Closing to make room runs on the connection's own strand; the pending read then fails.
    std::weak_ptr<Stream> weak = stream;
    auto close = [weak] {
        quiet_log.closed(QuietLog::Closed::ForRoom);
        if (auto s = weak.lock())
            asio::post(beast::get_lowest_layer(*s).get_executor(), [s] {
                beast::error_code ignored;
                beast::get_lowest_layer(*s).socket().shutdown(tcp::socket::shutdown_both, ignored);
                beast::get_lowest_layer(*s).socket().close(ignored);
            });
    };
    const std::shared_ptr<ConnectionTable::Entry> entry = connections.admit(peer, close);
    if (!entry) {
        // Every connection in the way is being answered: this one cannot be.
        RequestLog log;
        quiet_log.closed(QuietLog::Closed::NoRoom);
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>)
            co_await send_refusal(
                *stream, 11,
                {http::status::service_unavailable, "Servidor ocupado: tente de novo em instantes"}, log);
        co_return;
    }
    struct Leave {
        ConnectionTable& table;
        ConnectionTable::Entry& entry;
        ~Leave() { table.remove(entry); }
    } leave{connections, *entry};

    try {
        if constexpr (!std::is_same_v<Stream, beast::tcp_stream>) {
            beast::get_lowest_layer(*stream).expires_after(kHandshakeTime);
            co_await stream->async_handshake(asio::ssl::stream_base::server, use_awaitable);
        }
        co_await serve(*stream, *entry, peer, port);
    } catch (const boost::system::system_error&) {
        // The peer went, was too slow or was closed to make room: nothing to answer.
    } catch (const std::exception& e) {
        // Nothing else should fail here; if it does, this connection ends and the server goes on.
        RequestLog log;
        log.peer = peer;
        log.port = port;
        log.cause = e.what();
        write_log_line(log);
    }
    beast::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

template <class Stream>
awaitable<void> HttpServer::Impl::serve(Stream& stream, ConnectionTable::Entry& entry,
                                        const std::string& peer, unsigned short port)
{
    beast::flat_buffer buffer;
    auto& tcp_stream = beast::get_lowest_layer(stream);
    for (;;) {
        http::request_parser<http::string_body> parser;
        parser.header_limit(static_cast<std::uint32_t>(kHeaderBytes));
        parser.body_limit(kBodyBytes);
        RequestLog log;
        log.peer = peer;
        log.port = port;

        // The headers, a read at a time, so that the table learns when the first bytes come.
        tcp_stream.expires_after(kHeaderTime);
        beast::error_code error;
        bool arriving = false;
        while (!parser.is_header_done()) {
            co_await http::async_read_some(stream, buffer, parser,
                                           asio::redirect_error(use_awaitable, error));
            if (error) break;
            if (!arriving) {
                arriving = true;
                connections.set_state(entry, ConnectionTable::State::Reading);
                log.start = std::chrono::steady_clock::now();
            }
        }
        if (error) {
            if (const auto refusal = refusal_of(error)) {
                co_await send_refusal(stream, 11, *refusal, log);
                write_log_line(log);
            } else if (error == beast::error::timeout) {
                quiet_log.closed(QuietLog::Closed::SlowHeader);
            }
            co_return;
        }
        http::request<http::string_body>& request = parser.get();
        log.method = request.method_string();
        log.target = request.target();

        // Refused before the body is read: the connection closes after the answer.
        std::optional<Refusal> refusal;
        const std::string_view path =
            std::string_view(request.target()).substr(0, request.target().find('?'));
        const auto encoding = request.find(http::field::content_encoding);
        const std::optional<ServerMethod> method = method_of(path);
        if (!method)
            refusal = Refusal{http::status::not_found, "Caminho não encontrado: " + std::string(path)};
        else if (request.method() != http::verb::post)
            refusal =
                Refusal{http::status::method_not_allowed,
                        "Método HTTP não permitido: " + std::string(request.method_string()) + " (use POST)"};
        else if (encoding != request.end() && !beast::iequals(encoding->value(), "identity"))
            refusal = Refusal{http::status::unsupported_media_type,
                              "Corpo comprimido não é aceito: envie o JSON como ele é"};
        if (refusal) {
            co_await send_refusal(stream, request.version(), *refusal, log);
            write_log_line(log);
            co_return;
        }
        if (beast::iequals(request[http::field::expect], "100-continue")) {
            http::response<http::empty_body> go_on{http::status::continue_, request.version()};
            tcp_stream.expires_after(kWriteTime);
            co_await http::async_write(stream, go_on, use_awaitable);
        }

        // The body: after a grace period, at no less than the minimum rate on average.
        const auto body_start = std::chrono::steady_clock::now();
        std::uint64_t received = 0;
        while (!parser.is_done()) {
            tcp_stream.expires_at(
                body_start + kBodyGrace +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(static_cast<double>(received) / kBodyBytesPerSecond)));
            received += co_await http::async_read_some(stream, buffer, parser,
                                                       asio::redirect_error(use_awaitable, error));
            if (error) break;
        }
        if (error) {
            if (const auto refused = refusal_of(error)) {
                co_await send_refusal(stream, request.version(), *refused, log);
                write_log_line(log);
            } else if (error == beast::error::timeout) {
                quiet_log.closed(QuietLog::Closed::SlowBody);
            }
            co_return;
        }

        connections.set_state(entry, ConnectionTable::State::Busy);
        tcp_stream.expires_never();
        const bool keep_alive = request.keep_alive();
        co_await answer(stream, *method, request, log);
        write_log_line(log);
        if (!keep_alive) co_return;
        connections.set_state(entry, ConnectionTable::State::Idle);
    }
}

template <class Stream>
awaitable<void> HttpServer::Impl::answer(Stream& stream, ServerMethod method,
                                         http::request<http::string_body>& request, RequestLog& log)
{
    const Codec accepted = compress ? accepted_codec(request[http::field::accept_encoding]) : Codec::None;
    const std::string_view signature = request["X-Pedidos-Assinatura"];

    // The handler and any compression of a whole reply run on a worker; this strand only moves bytes.
    struct Worked {
        HttpReply reply;
        Codec codec = Codec::None;
    };
    Worked worked = co_await asio::co_spawn(
        workers,
        [&]() -> awaitable<Worked> {
            Worked w;
            w.reply = handler.handle(method, request.body(), log.call, signature, accepted, log.peer);
            if (w.reply.encoded != Codec::None) {
                log.bytes = w.reply.plain_size;
                w.codec = w.reply.encoded;
            } else if (!w.reply.write_pieces && accepted != Codec::None &&
                       w.reply.body.size() >= kCompressFrom) {
                std::string compressed;
                StreamCompressor(accepted).compress(w.reply.body, true, compressed);
                log.bytes = w.reply.body.size();
                w.reply.body = std::move(compressed);
                w.codec = accepted;
            }
            co_return w;
        },
        use_awaitable);
    HttpReply& reply = worked.reply;
    log.cause = reply.cause;

    if (reply.write_pieces) {
        const auto pieces =
            ReplyPieces::start([this](std::function<void()> task) { asio::post(workers, std::move(task)); },
                               accepted, std::move(reply.write_pieces), internal_error);
        co_await send_pieces(stream, *pieces, request, accepted, log);
        co_return;
    }
    if (worked.codec == Codec::None) log.bytes = reply.body.size();
    log.codec = worked.codec;
    co_await send_whole(stream, request, static_cast<http::status>(reply.status), std::move(reply.body),
                        worked.codec, compress, log, reply.retry_after);
}

// Sends the pieces as they come, in chunks. The status goes out with the first piece: a writer that
// fails before it still gets its own status and message.
template <class Stream>
awaitable<void> HttpServer::Impl::send_pieces(Stream& stream, ReplyPieces& pieces,
                                              const http::request<http::string_body>& request, Codec codec,
                                              RequestLog& log)
{
    auto& tcp_stream = beast::get_lowest_layer(stream);
    auto woken = std::make_shared<asio::steady_timer>(co_await asio::this_coro::executor);
    const auto next = [&](std::string& piece) -> awaitable<ReplyPieces::Next> {
        for (;;) {
            woken->expires_at(asio::steady_timer::time_point::max());
            // The writer wakes this strand, where the wait below is already pending by then.
            const ReplyPieces::Next got = pieces.next(piece, [woken, executor = woken->get_executor()] {
                asio::post(executor, [woken] { woken->cancel(); });
            });
            if (got != ReplyPieces::Next::NotYet) co_return got;
            co_await woken->async_wait(asio::as_tuple(use_awaitable));
        }
    };

    std::string piece;
    ReplyPieces::Next got = co_await next(piece);
    if (got == ReplyPieces::Next::Failed) {
        const ReplyPieces::Failure failure = pieces.failure();
        log.cause = failure.cause;
        co_await send_whole(stream, request, static_cast<http::status>(failure.status), failure.body,
                            Codec::None, compress, log);
        co_return;
    }
    http::response<http::empty_body> response{http::status::ok, request.version()};
    response.set(http::field::content_type, json_type);
    if (codec != Codec::None) response.set(http::field::content_encoding, codec_name(codec));
    if (compress) response.set(http::field::vary, "Accept-Encoding");
    response.keep_alive(request.keep_alive());
    response.chunked(true);
    http::response_serializer<http::empty_body> head{response};
    log.status = 200;
    log.codec = codec;
    tcp_stream.expires_after(kWriteTime);
    co_await http::async_write_header(stream, head, use_awaitable);
    while (got == ReplyPieces::Next::Piece) {
        log.wire_bytes += piece.size();
        tcp_stream.expires_after(kWriteTime);
        co_await asio::async_write(stream, http::make_chunk(asio::buffer(piece)), use_awaitable);
        got = co_await next(piece);
    }
    log.bytes = pieces.plain_bytes();
    if (got == ReplyPieces::Next::Failed) {
        // The status has gone out: only cutting the reply tells the client that it failed.
        log.cause = pieces.failure().cause;
        write_log_line(log);
        throw boost::system::system_error(asio::error::connection_aborted);
    }
    tcp_stream.expires_after(kWriteTime);
    co_await asio::async_write(stream, http::make_chunk_last(), use_awaitable);
}

HttpServer::HttpServer(const RequestHandler& handler, const TlsFiles* tls, bool compress)
    : d(std::make_unique<Impl>(handler, tls, compress))
{
}

HttpServer::~HttpServer()
{
    stop();
    d->workers.join();
}

int HttpServer::bind(const std::string& host, int port)
{
    beast::error_code error;
    tcp::endpoint endpoint;
    if (const asio::ip::address address = asio::ip::make_address(host, error); !error) {
        endpoint = tcp::endpoint(address, static_cast<unsigned short>(port));
    } else {
        // A name ("localhost"): its first address.
        tcp::resolver resolver(d->io);
        const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, error);
        if (error || found.empty()) return -1;
        endpoint = found.begin()->endpoint();
    }
    d->acceptor.open(endpoint.protocol(), error);
    if (!error) d->acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) d->acceptor.bind(endpoint, error);
    // Hundreds of salespeople may connect in the same second of the morning.
    if (!error) d->acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        d->acceptor.close(error);
        return -1;
    }
    return d->acceptor.local_endpoint().port();
}

void HttpServer::run()
{
    asio::co_spawn(d->io, d->accept_loop(), asio::detached);
    asio::co_spawn(
        d->io,
        [this]() -> awaitable<void> {
            asio::steady_timer minute(d->io);
            for (;;) {
                minute.expires_after(std::chrono::minutes(1));
                co_await minute.async_wait(use_awaitable);
                write_summary();
            }
        },
        asio::detached);
    // Moving bytes takes little: a thread per core is plenty, whatever the number of connections.
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
        threads.emplace_back([this] { d->io.run(); });
    d->io.run();
    for (std::thread& t : threads)
        t.join();
    write_summary();
}

void HttpServer::stop()
{
    if (d->io.stopped()) return;
    // No new connection; the requests being answered are finished and logged first, for a few
    // seconds at most. Connections waiting for a request are not waited for.
    asio::post(d->io, [this] {
        beast::error_code ignored;
        d->acceptor.close(ignored);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (d->connections.busy() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    d->io.stop();
}
