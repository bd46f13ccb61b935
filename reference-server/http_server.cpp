#include "http_server.h"

#include "reply_compression.h"
#include "reply_pieces.h"
#include "requests.h"

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>

namespace {

constexpr const char* base_path = "/datasnap/rest/TModuleOnline/";

// "application/json" alone would let the HTTP library compress big replies itself, whole in memory
// and at a slow level; the server compresses its own replies (send_compressed).
constexpr const char* json_type = "application/json; charset=utf-8";

// What the log line of the request handled on this thread says besides the HTTP facts. Requests of
// one connection run one after the other on one thread.
struct RequestLog {
    std::optional<std::chrono::steady_clock::time_point> start;
    CallInfo call;
    // A compressed reply: its size before, its codec and the bytes that went out.
    std::size_t plain_bytes = 0;
    Codec codec = Codec::None;
    std::size_t wire_bytes = 0;
};
thread_local RequestLog request_log;
std::mutex log_mutex;

std::string printable(const std::string& text)
{
    std::string out = text.empty() ? "-" : text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ' ') c = '?';
    return out;
}

void write_log_line(const httplib::Request& request, const httplib::Response& response)
{
    long long elapsed = 0;
    if (request_log.start)
        elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                        *request_log.start)
                      .count();
    std::string target = request.path;
    if (target.starts_with(base_path)) target.erase(0, std::char_traits<char>::length(base_path));
    // When (UTC) and from whom, so that a line read later or under attack can be placed.
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string size = std::to_string(response.body.size()) + " bytes";
    if (request_log.codec != Codec::None)
        size = std::to_string(request_log.plain_bytes) + " bytes (" + codec_name(request_log.codec) + " " +
               std::to_string(request_log.wire_bytes) + ")";
    const std::lock_guard lock(log_mutex);
    std::fprintf(stderr, "%s %s:%d %s %s %s %s %d %s %lld ms\n", when, printable(request.remote_addr).c_str(),
                 request.remote_port, printable(request.method).c_str(), printable(target).c_str(),
                 printable(request_log.call.kind).c_str(), printable(request_log.call.salesperson).c_str(),
                 response.status, size.c_str(), elapsed);
    request_log = {};
}

std::string status_message(const httplib::Request& request, int status)
{
    switch (status) {
    case 404:
        return "Caminho não encontrado: " + request.path;
    case 405:
        return "Método HTTP não permitido: " + request.method + " (use POST)";
    case 413:
        return "Requisição grande demais";
    case 400:
        return "Requisição HTTP inválida";
    default:
        return "Erro HTTP " + std::to_string(status);
    }
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

// Loads the certificate and key into the server's TLS context, keeping the cause of a failure.
std::unique_ptr<httplib::Server> tls_server(const TlsFiles& tls)
{
    std::string failure;
    auto server = std::make_unique<httplib::SSLServer>([&](SSL_CTX& context) {
        SSL_CTX_set_min_proto_version(&context, TLS1_2_VERSION);
        SSL_CTX_set_options(&context, SSL_OP_NO_COMPRESSION | SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION);
        if (SSL_CTX_use_certificate_chain_file(&context, tls.certificate.c_str()) != 1) {
            failure = "não foi possível ler o certificado TLS " + tls.certificate + openssl_error();
            return false;
        }
        BIO* file = BIO_new_file(tls.key.c_str(), "r");
        EVP_PKEY* key = file ? PEM_read_bio_PrivateKey(file, nullptr, nullptr, nullptr) : nullptr;
        BIO_free(file);
        if (!key)
            failure = "não foi possível ler a chave privada TLS " + tls.key + openssl_error();
        else if (SSL_CTX_use_PrivateKey(&context, key) != 1 || SSL_CTX_check_private_key(&context) != 1)
            failure = "a chave privada " + tls.key + " não corresponde ao certificado " + tls.certificate;
        EVP_PKEY_free(key);
        ERR_clear_error();
        return failure.empty();
    });
    if (!server->is_valid())
        throw std::runtime_error(failure.empty() ? "não foi possível preparar o TLS" : failure);
    return server;
}

// Sends a reply compressed with codec as its pieces come: the compressor works while the writer
// goes on and the socket drains, and only the piece in flight exists in compressed form.
void send_compressed(httplib::Response& response, std::shared_ptr<ReplyPieces> pieces, Codec codec)
{
    response.set_header("Content-Encoding", codec_name(codec));
    request_log.codec = codec;
    struct Stream {
        Stream(std::shared_ptr<ReplyPieces> p, Codec c) : pieces(std::move(p)), compressor(c) {}
        std::shared_ptr<ReplyPieces> pieces;
        StreamCompressor compressor;
        std::string piece;
        std::string out;
    };
    auto stream = std::make_shared<Stream>(std::move(pieces), codec);
    response.set_chunked_content_provider(json_type, [stream](std::size_t, httplib::DataSink& sink) {
        Stream& s = *stream;
        s.out.clear();
        bool last = false;
        // The HTTP library calls this while it writes, outside any handler of exceptions: a failure
        // ends the connection, and the client says the reply was cut.
        try {
            s.piece.clear();
            last = !s.pieces->next(s.piece);
            request_log.plain_bytes += s.piece.size();
            s.compressor.compress(s.piece, last, s.out);
        } catch (const std::exception&) {
            return false;
        }
        request_log.wire_bytes += s.out.size();
        if (!s.out.empty() && !sink.write(s.out.data(), s.out.size())) return false;
        if (last) sink.done();
        return true;
    });
}

} // namespace

HttpServer::HttpServer(const RequestHandler& handler, const TlsFiles* tls, bool compress)
    : server_(tls ? tls_server(*tls) : std::make_unique<httplib::Server>())
{
    auto& server = *server_;
    const auto route = [&handler, compress](ServerMethod method) {
        return [&handler, method, compress](const httplib::Request& request, httplib::Response& response) {
            const Codec accepted =
                compress ? accepted_codec(request.get_header_value("Accept-Encoding")) : Codec::None;
            HttpReply reply =
                handler.handle(method, request.body, request_log.call,
                               request.get_header_value("X-Pedidos-Assinatura"), accepted != Codec::None);
            if (reply.pieces) {
                // A writer that fails before its first piece still gets its own status and message.
                if (auto failure = reply.pieces->failure_before_first_piece()) {
                    reply.status = failure->status;
                    reply.body = std::move(failure->body);
                    reply.pieces.reset();
                }
            } else if (accepted != Codec::None && reply.body.size() >= kCompressFrom) {
                reply.pieces = ReplyPieces::written(std::move(reply.body));
            }
            response.status = reply.status;
            // Caches between the two must keep the forms apart.
            if (compress) response.set_header("Vary", "Accept-Encoding");
            if (reply.pieces) {
                send_compressed(response, std::move(reply.pieces), accepted);
                return;
            }
            response.body = std::move(reply.body);
            response.set_header("Content-Type", json_type);
        };
    };
    server.Post(std::string(base_path) + "getDados_OnLine", route(ServerMethod::GetDados));
    server.Post(std::string(base_path) + "postDados_OnLine", route(ServerMethod::PostDados));
    const auto not_allowed = [](const httplib::Request&, httplib::Response& response) {
        response.status = 405;
    };
    server.Get(std::string(base_path) + "(getDados_OnLine|postDados_OnLine)", not_allowed);

    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        request_log = {};
        request_log.start = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Every failure the library itself answers (no such path, bad HTTP) gets a JSON error body too.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request& request, httplib::Response& response) {
            if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            response.set_content(error_body(status_message(request, response.status)), json_type);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            response.status = 500;
            response.set_content(error_body("Erro interno do servidor"), json_type);
        });
    server.set_logger(write_log_line);
    // Orders and requests are small; this only keeps a runaway peer from filling the memory.
    server.set_payload_max_length(16 * 1024 * 1024);
    // A 30 MB reply to a slow reader must not be cut after the library's default of 5 seconds.
    server.set_write_timeout(120, 0);
}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& host, int port)
{
    if (port == 0) return server_->bind_to_any_port(host);
    return server_->bind_to_port(host, port) ? port : -1;
}

void HttpServer::run()
{
    server_->listen_after_bind();
}

void HttpServer::stop()
{
    server_->stop();
}
