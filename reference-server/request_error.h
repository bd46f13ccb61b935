#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// A request the server refuses: the HTTP status and the Portuguese text of the error reply.
class RequestError : public std::runtime_error {
public:
    RequestError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// At most `max_bytes` of a text sent by the peer, cut at a character boundary, for messages and logs.
std::string shorten(std::string_view utf8, std::size_t max_bytes = 80);
