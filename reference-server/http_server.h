#pragma once

#include <memory>
#include <string>

class RequestHandler;

// The PEM files of a TLS server: the certificate (its chain may follow it) and its private key.
struct TlsFiles {
    std::string certificate;
    std::string key;
};

// The HTTP (or HTTPS) face of the server: the two server-method paths, error replies as JSON, and
// one log line per request on stderr. Connections are served by a few event-driven threads, so that
// slow or idle peers cost a socket each and no thread; requests are answered by a pool of workers.
// Every request is bounded in time and size (see http_limits.h).
class HttpServer {
public:
    // With tls, serves HTTPS; raises std::runtime_error, in Portuguese, when its files cannot be used.
    // With compress, a reply of some size goes compressed to a client that accepts it (zstd or
    // gzip), while it is written; without, every reply goes as it is.
    explicit HttpServer(const RequestHandler& handler, const TlsFiles* tls = nullptr, bool compress = true);
    ~HttpServer();

    // Binds the listening socket; port 0 takes a free one. Returns the port, or -1 on failure.
    int bind(const std::string& host, int port);
    // Serves until stop() is called (from any thread).
    void run();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
