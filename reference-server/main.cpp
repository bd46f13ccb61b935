#include "database.h"
#include "demo_data.h"
#include "http_server.h"
#include "options.h"
#include "order_replies.h"
#include "requests.h"

#include <csignal>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    ServerOptions options;
    try {
        options = parse_options(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const OptionsError& e) {
        std::fprintf(stderr, "pedidos-servidor: %s\nUse --help para ver as opções.\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(usage_text, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("pedidos-servidor %s\n", PV_VERSION);
        return 0;
    }

    // SIGINT and SIGTERM are taken by one thread that stops the server; every other thread, the
    // HTTP workers included, inherits the blocked mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const RequestHandler handler(options.database, options.data_hoje, options.exigir_assinatura);
    const TlsFiles tls{options.tls_cert, options.tls_key};
    std::optional<HttpServer> maybe_server;
    try {
        maybe_server.emplace(handler, options.tls_cert.empty() ? nullptr : &tls, !options.sem_compressao);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pedidos-servidor: %s\n", e.what());
        return 1;
    }
    HttpServer& server = *maybe_server;
    // Listening comes first: a server that cannot listen leaves no database behind.
    const int port = server.bind(options.host, options.port);
    if (port < 0) {
        const bool privileged = options.port > 0 && options.port < 1024 && geteuid() != 0;
        std::fprintf(stderr, "pedidos-servidor: não foi possível ouvir em %s porta %d%s\n",
                     options.host.c_str(), options.port,
                     privileged ? ": porta abaixo de 1024 exige privilégio (rode como serviço com "
                                  "CAP_NET_BIND_SERVICE, ou escolha outra porta com --port, por exemplo 8211)"
                                : " (porta em uso ou endereço inexistente?)");
        return 1;
    }
    try {
        std::fprintf(stderr, "pedidos-servidor: %s\n",
                     prepare_database(options.database, options.sizes, options.data_hoje).c_str());
        if (options.horario || options.dias_bloqueados) {
            Database db(options.database);
            store_sending_rules(db, options.horario, options.dias_bloqueados);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pedidos-servidor: %s\n", e.what());
        return 1;
    }
    if (!options.sem_compressao)
        handler.prepare_lists_ahead(
            [](const std::string& line) { std::fprintf(stderr, "pedidos-servidor: %s\n", line.c_str()); });
    if (!options.exigir_assinatura && !loopback_host(options.host))
        std::fprintf(stderr,
                     "pedidos-servidor: aviso: sem --exigir-assinatura, quem alcançar %s e informar uma "
                     "empresa e um vendedor recebe os dados dele (clientes, títulos, a chave); para um "
                     "servidor na internet, use --exigir-assinatura com --tls-cert e --tls-key\n",
                     options.host.c_str());
    const bool ipv6 = options.host.find(':') != std::string::npos;
    std::printf("pedidos-servidor ouvindo em %s://%s%s%s:%d%s\n", options.tls_cert.empty() ? "http" : "https",
                ipv6 ? "[" : "", options.host.c_str(), ipv6 ? "]" : "", port,
                options.exigir_assinatura ? " (assinatura exigida)" : "");
    std::fflush(stdout);

    std::thread stopper([&] {
        int signal_number = 0;
        sigwait(&stop_signals, &signal_number);
        server.stop();
    });
    server.run();
    // The server may also end on its own; wake the waiting thread so that it can be joined.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::fprintf(stderr, "pedidos-servidor: encerrado\n");
    return 0;
}
