#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

enum class ServerMethod { GetDados, PostDados };

struct HttpReply {
    int status = 200;
    std::string body;
};

// What the request log says of a call besides the HTTP facts.
struct CallInfo {
    std::string kind;
    std::string salesperson;
};

// Answers the body of one server-method call: {"_parameters":[<request object>]} in, the framed
// reply out ({"result":[...]} or {"error":"..."} with its HTTP status). Each call opens its own
// database connection, so calls may run on several threads at once.
class RequestHandler {
public:
    // today, when given, is the day every call takes for today.
    explicit RequestHandler(std::string database_path, std::optional<std::chrono::sys_days> today = {})
        : database_path_(std::move(database_path)), today_(today)
    {
    }

    HttpReply handle(ServerMethod method, std::string_view body, CallInfo& info) const;

private:
    std::string database_path_;
    std::optional<std::chrono::sys_days> today_;
};

std::string error_body(std::string_view message);
