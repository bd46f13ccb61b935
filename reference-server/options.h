#pragma once

#include "demo_data.h"

#include <chrono>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 211;
    std::string database = "pedidos-servidor.db";
    SeedSizes sizes;
    // When given, replace the stored sending hours (minutes of the day) and blocked weekdays.
    std::optional<std::pair<int, int>> horario;
    std::optional<std::set<int>> dias_bloqueados;
    // When given, the day the server takes for today, instead of the clock's.
    std::optional<std::chrono::sys_days> data_hoje;
    // Both or neither: the PEM files of the certificate (its chain may follow it) and its private key.
    std::string tls_cert;
    std::string tls_key;
    // Requests must carry a valid X-Pedidos-Assinatura header.
    bool exigir_assinatura = false;
    // Signatures may be required over plain HTTP, where the replies show the key to any listener.
    bool permitir_http = false;
    // Replies go as they are even to a client that accepts them compressed.
    bool sem_compressao = false;
    bool help = false;
    bool version = false;
};

class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the command line (without the program name). Raises OptionsError with a Portuguese text.
ServerOptions parse_options(const std::vector<std::string>& arguments);

extern const char* const usage_text;

// Whether host names this machine only, where no one else can connect.
bool loopback_host(const std::string& host);
