#pragma once

#include <memory>
#include <string>

namespace httplib {
class Server;
}
class RequestHandler;

// The HTTP face of the server: the two server-method paths, error replies as JSON, and one log line
// per request on stderr.
class HttpServer {
public:
    explicit HttpServer(const RequestHandler& handler);
    ~HttpServer();

    // Binds the listening socket; port 0 takes a free one. Returns the port, or -1 on failure.
    int bind(const std::string& host, int port);
    // Serves until stop() is called (from any thread).
    void run();
    void stop();

private:
    std::unique_ptr<httplib::Server> server_;
};
