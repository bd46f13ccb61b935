// Times the start-up catalogue load against a running pedidos-servidor, stage by stage, on the
// program's own path: a data folder whose config.ini names the server, the HTTP transport, the data
// module, then importar_clientes and importar_produtos as the main window calls them.
//
// Usage:
//   catalogue_bench load SERVER            one load; prints each stage, the totals and the peak RSS
//   catalogue_bench replies SERVER DIR     saves the two reply objects (without the {"result":[...]}
//                                          wrapper) as DIR/clientes_reply.json and DIR/produto_reply.json
// SERVER is the IP setting that reaches it ("127.0.0.1:port"). The data folder lives under TMPDIR.
#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "server/json_parse.h"
#include "server/module_online_client.h"
#include "server/request.h"
#include "server/transport.h"
#include "store/dm_dados.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double rss_mib()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * 4096.0 / 1048576.0;
}

double peak_rss_mib()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_maxrss) / 1024.0;
}

// Nobody answers questions in a benchmark: anything said is printed, and counts as a failure.
class PrintedMessages : public Messages {
public:
    void information(const QString& text) override { say("informação", text); }
    void warning(const QString& text) override { say("aviso", text); }
    void error(const QString& text) override { say("erro", text); }
    bool confirm(const QString& text) override { return say("pergunta", text), true; }
    bool confirm_ok_cancel(const QString& text) override { return say("pergunta", text), true; }
    void beep() override {}
    int said = 0;

private:
    void say(const char* kind, const QString& text)
    {
        ++said;
        std::fprintf(stderr, "%s: %s\n", kind, qUtf8Printable(text));
    }
};

// The real transport, noting when each reply has arrived whole.
class TimedTransport : public Transport {
public:
    Reply post(const QUrl& url, const QByteArray& body, const QString& what) override
    {
        Reply reply = http.post(url, body, what);
        arrived = now_ms();
        bytes = reply.body.size();
        return reply;
    }
    int post_into(const QUrl& url, const QByteArray& body, const QString& what,
                  const std::function<char*(std::size_t n)>& room) override
    {
        const int status = http.post_into(url, body, what, [&](std::size_t n) {
            bytes = static_cast<qsizetype>(n);
            return room(n);
        });
        arrived = now_ms();
        return status;
    }
    HttpTransport http;
    double arrived = 0;
    qsizetype bytes = 0;
};

struct Lap {
    std::string name;
    double ms;
    double rss;
};

// Laps of one download: the request ends when the transport returns, the rest at each step.
class Laps {
public:
    explicit Laps(const char* prefix, const TimedTransport& transport)
        : prefix_(prefix), transport_(transport)
    {
    }
    void start() { last_ = now_ms(); }
    // Whatever the download does after its last step: freeing the trees it parsed.
    void finish() { add("release", now_ms()); }
    void step(const char* name)
    {
        const double now = now_ms();
        if (std::strcmp(name, "resposta") == 0) {
            add("request", transport_.arrived);
            add("parse", now);
        } else if (std::strcmp(name, "cache") == 0) {
            add("cache_write", now);
        } else if (std::strcmp(name, "leitura") == 0) {
            add("read_back", now);
        } else {
            add("table_load", now);
        }
    }
    std::vector<Lap> laps;

private:
    void add(const char* name, double at)
    {
        laps.push_back({prefix_ + name, at - last_, rss_mib()});
        last_ = at;
    }
    std::string prefix_;
    const TimedTransport& transport_;
    double last_ = 0;
};

Context make_context(const QTemporaryDir& dir, const QString& server, Messages& messages,
                     Transport& transport)
{
    Context context;
    context.data_folder = dir.path() + u'/';
    context.regional = Regional::system();
    context.messages = &messages;
    context.transport = &transport;
    QFile ini(context.path(u"config.ini"_s));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=" +
                                                     server.toUtf8() + "\r\nID=1\r\nChave=47261\r\n") < 0)
        throw FileError(u"cannot write "_s + ini.fileName());
    return context;
}

int load(const QString& server)
{
    QTemporaryDir dir;
    PrintedMessages messages;
    TimedTransport transport;
    JsonParser parser;
    Context context = make_context(dir, server, messages, transport);
    context.parser = &parser;
    TdmDados dados(context.regional);
    const double rss0 = rss_mib();

    Laps clients("clients.", transport);
    Laps products("products.", transport);
    const double t0 = now_ms();
    clients.start();
    importar_clientes(context, dados.tblCliente, [&](const char* s) { clients.step(s); });
    clients.finish();
    const qsizetype client_bytes = transport.bytes;
    products.start();
    importar_produtos(context, dados, [&](const char* s) { products.step(s); });
    products.finish();
    const double total = now_ms() - t0;

    std::printf("replies\t%lld\t%lld bytes\n", static_cast<long long>(client_bytes),
                static_cast<long long>(transport.bytes));
    std::printf("rows\t%d clients, %d tables, %d products, %d prices\n", dados.tblCliente.record_count(),
                dados.tblTabela.record_count(), dados.tblProduto.record_count(),
                dados.tblTabProd.record_count());
    double own = 0;
    for (const Laps* l : {&clients, &products}) {
        for (const Lap& lap : l->laps) {
            std::printf("stage\t%-26s %9.1f ms   rss %7.1f MiB\n", lap.name.c_str(), lap.ms, lap.rss);
            if (!lap.name.ends_with(".request")) own += lap.ms;
        }
    }
    std::printf("total\t%.1f ms (own stages %.1f ms, after the replies arrived)\n", total, own);
    std::printf("own\t%.2f\n", own);
    std::printf("rss\tstart %.1f MiB, peak %.1f MiB\n", rss0, peak_rss_mib());
    return messages.said == 0 && clients.laps.size() == 5 && products.laps.size() == 6 ? 0 : 1;
}

// The reply object of a getDados_OnLine call, as the server sent it.
QByteArray reply_object(HttpTransport& transport, const QString& server, const JsonValue& request,
                        const QString& what)
{
    QUrl url = server_base_url(server);
    url.setPath(u"/datasnap/rest/TModuleOnline/getDados_OnLine"_s);
    const QByteArray body = QByteArray::fromStdString(TModuleOnlineClient::request_body(request));
    const Transport::Reply reply = transport.post(url, body, what);
    const QByteArray prefix = "{\"result\":[";
    if (reply.status != 200 || !reply.body.startsWith(prefix) || !reply.body.endsWith("]}"))
        throw ProtocolError(u"unexpected reply to "_s + what);
    return reply.body.mid(prefix.size(), reply.body.size() - prefix.size() - 2);
}

int save_replies(const QString& server, const QString& folder)
{
    HttpTransport transport;
    const Identity identity{u"Teste"_s, u"1"_s, {}};
    const std::pair<QString, JsonValue> calls[] = {
        {u"clientes_reply.json"_s, requests::cliente(identity)},
        {u"produto_reply.json"_s, requests::produto(identity)},
    };
    QDir().mkpath(folder);
    for (const auto& [name, request] : calls) {
        QFile file(QDir(folder).filePath(name));
        const QByteArray object = reply_object(transport, server, request, name);
        if (!file.open(QIODevice::WriteOnly) || file.write(object) != object.size())
            throw FileError(u"cannot write "_s + file.fileName());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == u"load"_s) return load(args[2]);
        if (args.size() == 4 && args[1] == u"replies"_s) return save_replies(args[2], args[3]);
    } catch (const Error& e) {
        std::fprintf(stderr, "catalogue_bench: %s\n", qUtf8Printable(e.message()));
        return 1;
    }
    std::fprintf(stderr, "usage: catalogue_bench load SERVER | catalogue_bench replies SERVER DIR\n");
    return 2;
}
