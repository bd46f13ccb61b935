// Times the start-up catalogue load against a running pedidos-servidor, stage by stage, on the
// program's own path: a data folder whose config.ini names the server, the HTTP transport, the data
// module, then importar_clientes and importar_produtos as the main window calls them.
//
// Usage:
//   catalogue_bench load SERVER            one load; prints each stage, the totals and the peak RSS
//   catalogue_bench interactive SERVER     the same load (stages unprinted), then what the screens do
//                                          on it: searches, the client refresh, a product pick and a
//                                          client card, each the median of many repetitions
//   catalogue_bench replies SERVER DIR     saves the two reply objects (without the {"result":[...]}
//                                          wrapper) as DIR/clientes_reply.json and DIR/produto_reply.json
// SERVER is the IP setting that reaches it ("127.0.0.1:port"). The data folder lives under TMPDIR.
#include "catalogue/client_download.h"
#include "catalogue/list_search.h"
#include "catalogue/product_download.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "orders/order_items.h"
#include "server/json_parse.h"
#include "server/module_online_client.h"
#include "server/request.h"
#include "server/transport.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include "store/table_model.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QModelIndex>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
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
    Reply post(const QUrl& url, const CallSecurity& security, const QByteArray& body,
               const QString& what) override
    {
        Reply reply = http.post(url, security, body, what);
        arrived = now_ms();
        bytes = reply.body.size();
        return reply;
    }
    int post_into(const QUrl& url, const CallSecurity& security, const QByteArray& body, const QString& what,
                  const std::function<char*(std::size_t n)>& room) override
    {
        const int status = http.post_into(url, security, body, what, [&](std::size_t n) {
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
    const Transport::Reply reply = transport.post(url, {}, body, what);
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

// Answers every call with one reply saved from the server, so that the client list's refresh runs
// whole with the network left out: what is timed is the client's own work on the reply.
class ReplayTransport : public Transport {
public:
    explicit ReplayTransport(QByteArray body) : body_(std::move(body)) {}
    Reply post(const QUrl&, const CallSecurity&, const QByteArray&, const QString&) override
    {
        return {200, body_};
    }

private:
    QByteArray body_;
};

// Repeats an action until it has run max_runs times, or at least min_runs times and budget_ms have
// gone by. prepare(i) sets the stage untimed (the salesperson's previous step); run(i) is timed.
struct Figure {
    const char* name;
    double median_ms;
    int runs;
};

template <typename Prepare, typename Run>
Figure repeat(const char* name, int max_runs, double budget_ms, int min_runs, Prepare prepare, Run run)
{
    std::vector<double> times;
    const double start = now_ms();
    for (int i = 0; i < max_runs; ++i) {
        if (i >= min_runs && now_ms() - start > budget_ms) break;
        prepare(i);
        const double t = now_ms();
        run(i);
        times.push_back(now_ms() - t);
    }
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("interactive\t%s\t%.3f\t%d\n", name, median, static_cast<int>(n));
    std::fflush(stdout);
    return {name, median, static_cast<int>(n)};
}

// Keeps what the timed work reads from being optimised away.
volatile qsizetype sink = 0;

// What a grid asks of its model once the model has been reset: the row count, then the text and
// alignment of every cell of the first screenful. Returns the row count.
int show_first_rows(const TableModel& model)
{
    constexpr int kScreenful = 30;
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    qsizetype chars = 0;
    for (int r = 0; r < std::min(rows, kScreenful); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QModelIndex index = model.index(r, c);
            chars += model.data(index, Qt::DisplayRole).toString().size();
            chars += model.data(index, Qt::TextAlignmentRole).toInt() != 0;
        }
    }
    sink = sink + chars;
    return rows;
}

// Spread keys over the whole table: the i-th of n rows taken at even steps.
template <typename Key> std::vector<Key> spread(Table& table, int n, Key (*key)(Table&))
{
    std::vector<Key> keys;
    const int count = table.record_count();
    for (int i = 0; i < n && count > 0; ++i) {
        table.set_current_visible(static_cast<int>((static_cast<qint64>(count) * (2 * i + 1)) / (2 * n)));
        keys.push_back(key(table));
    }
    return keys;
}

// How many rows the searches left visible: the median and the largest.
void print_matches(const char* name, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) return;
    std::printf("matches\t%s\t%d rows (median), %d at most\n", name, rows[rows.size() / 2], rows.back());
}

int interactive(const QString& server)
{
    QTemporaryDir dir;
    PrintedMessages messages;
    HttpTransport http;
    JsonParser parser;
    Context context = make_context(dir, server, messages, http);
    context.parser = &parser;
    // The amounts come with a decimal comma: the screens read them as a Brazilian desktop does,
    // whatever the locale the benchmark runs under.
    context.regional = Regional::brazil();
    TdmDados dados(context.regional);
    importar_clientes(context, dados.tblCliente);
    importar_produtos(context, dados);
    Table& clientes = dados.tblCliente;
    Table& produtos = dados.tblProduto;
    std::printf("rows\t%d clients, %d tables, %d products, %d prices\n", clientes.record_count(),
                dados.tblTabela.record_count(), produtos.record_count(), dados.tblTabProd.record_count());
    if (clientes.record_count() == 0 || produtos.record_count() == 0 || dados.tblTabela.record_count() == 0)
        throw Error(u"the start-up load left an empty table"_s);

    // The grids of the client and the product list, with their columns.
    const TableModel client_grid(
        clientes, {{u"cli_id"_s, u"ID"_s, {}, {}, 80}, {u"cli_razao"_s, u"Cliente"_s, {}, {}, 0}});
    const TableModel product_grid(
        produtos, {{u"pro_id"_s, u"ID"_s, {}, {}, 80},
                   {u"pro_descricao"_s, u"Produto"_s, {}, {}, 440},
                   {u"pro_vlr_venda"_s, u"Vlr Venda"_s, Qt::AlignRight | Qt::AlignVCenter, {}, 0}});

    constexpr int kRuns = 200;
    constexpr double kBudget = 2000;
    constexpr int kKeys = 50;
    // What the salesperson types: the first letters of a name (the edits capitalise), or a code.
    const std::vector<QString> client_names = spread<QString>(
        clientes, kKeys, [](Table& t) { return t.as_text(u"cli_fantasia").left(3).toUpper(); });
    const std::vector<int> client_ids =
        spread<int>(clientes, kKeys, [](Table& t) { return t.as_integer(u"cli_id"); });
    const std::vector<QString> product_names = spread<QString>(
        produtos, kKeys, [](Table& t) { return t.as_text(u"pro_descricao").left(3).toUpper(); });
    const std::vector<int> product_ids =
        spread<int>(produtos, kKeys, [](Table& t) { return t.as_integer(u"pro_id"); });
    dados.tblTabela.set_current_visible(dados.tblTabela.record_count() - 1);
    // The order screen's combo shows the table's name in capitals.
    const QString tabela = dados.tblTabela.as_text(u"tab_descricao").toUpper();

    std::vector<Figure> goals;
    std::vector<int> shown;
    const auto search = [&](const char* name, Table& table, const TableModel& grid, const char* id_field,
                            const char* text_field, bool by_code, auto key) {
        shown.clear();
        const QString id = QString::fromLatin1(id_field);
        const QString text = QString::fromLatin1(text_field);
        goals.push_back(repeat(
            name, kRuns, kBudget, 5, [&](int) { limpar_pesquisa(table); },
            [&](int i) {
                const QString typed = key(i % kKeys);
                aplicar_pesquisa(table, id, by_code ? typed : QString(), text, by_code ? QString() : typed);
                const int rows = show_first_rows(grid);
                sink = sink + selected_id(table, id);
                if (i < kKeys) shown.push_back(rows);
            }));
        limpar_pesquisa(table);
        print_matches(name, shown);
    };
    search("client_search_name", clientes, client_grid, "cli_id", "cli_fantasia", false,
           [&](int k) { return client_names[k]; });
    search("client_search_code", clientes, client_grid, "cli_id", "cli_fantasia", true,
           [&](int k) { return QString::number(client_ids[k]); });
    search("product_search_name", produtos, product_grid, "pro_id", "pro_descricao", false,
           [&](int k) { return product_names[k]; });

    // The clear button: every row back in the grid.
    repeat(
        "client_search_clear", kRuns, kBudget, 5,
        [&](int i) {
            aplicar_pesquisa(clientes, u"cli_id"_s, {}, u"cli_fantasia"_s, client_names[i % kKeys]);
        },
        [&](int) {
            limpar_pesquisa(clientes);
            show_first_rows(client_grid);
        });

    // A pick in the order screen's product grid: the row's fields into the inputs, then the price of
    // the chosen table.
    int priced = 0;
    goals.push_back(repeat(
        "product_pick_price", kRuns, kBudget, 5,
        [&](int i) {
            if (!produtos.locate(u"pro_id", QVariant(product_ids[i % kKeys])))
                throw Error(u"a product of the catalogue was not found"_s);
        },
        [&](int) {
            const QString codigo = QString::number(produtos.as_integer(u"pro_id"));
            const QString descricao = produtos.as_text(u"pro_descricao").toUpper();
            Money valor = produtos.as_money(u"pro_vlr_venda");
            if (const std::optional<TablePrice> price = preco_tabela(dados, tabela, codigo)) {
                valor = price->valor;
                ++priced;
            }
            sink = sink + descricao.size() + codigo.size() + valor.format(2, u',').size();
        }));
    std::printf("matches\tproduct_pick_price\t%d of the picks found a price in %s\n", priced,
                qUtf8Printable(tabela));

    int fields = 0;
    repeat(
        "client_card_values", kRuns, kBudget, 5,
        [&](int i) {
            if (!clientes.locate(u"cli_id", QVariant(client_ids[i % kKeys])))
                throw Error(u"a client of the catalogue was not found"_s);
        },
        [&](int) { fields += static_cast<int>(client_card_values(clientes).size()); });
    if (fields == 0) throw Error(u"the client card showed nothing"_s);

    // The client list's refresh, the list open on its grid. The reply as the server sends it,
    // replayed so that the network stays out of the figures.
    const QByteArray wrapped =
        "{\"result\":[" +
        reply_object(http, server, requests::cliente(Identity{u"Teste"_s, u"1"_s, {}}), u"clientes"_s) + "]}";
    const std::optional<JsonValue> reply =
        parse_json(std::string_view(wrapped).substr(11, static_cast<std::size_t>(wrapped.size()) - 13));
    if (!reply) throw ProtocolError(u"the client reply does not parse"_s);
    const int before = clientes.record_count();
    constexpr int kRefreshRuns = 20;
    constexpr double kRefreshBudget = 4000;
    repeat(
        "client_refresh_load", kRefreshRuns, kRefreshBudget, 3, [](int) {},
        [&](int) { clients_from_reply(clientes, *reply, ClientRows::UpdateById, "clientes"); });
    repeat(
        "client_refresh_read_parse_load", kRefreshRuns, kRefreshBudget, 3, [](int) {},
        [&](int) { carregar_clientes(context, clientes); });
    ReplayTransport replay(wrapped);
    context.transport = &replay;
    repeat(
        "client_refresh", kRefreshRuns, kRefreshBudget, 3, [](int) {},
        [&](int) {
            if (!baixar_clientes(context)) throw Error(u"the replayed reply was refused"_s);
            carregar_clientes(context, clientes);
        });
    if (clientes.record_count() != before)
        throw Error(u"the refresh added clients instead of updating them"_s);

    for (const Figure& f : goals) {
        const bool ok = f.median_ms < 5.0;
        std::printf("goal\t%s\t%.3f ms < 5 ms\t%s\n", f.name, f.median_ms, ok ? "ok" : "MISSED");
    }
    std::printf("rss\tpeak %.1f MiB\n", peak_rss_mib());
    return messages.said == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == u"load"_s) return load(args[2]);
        if (args.size() == 4 && args[1] == u"replies"_s) return save_replies(args[2], args[3]);
        if (args.size() == 3 && args[1] == u"interactive"_s) return interactive(args[2]);
    } catch (const Error& e) {
        std::fprintf(stderr, "catalogue_bench: %s\n", qUtf8Printable(e.message()));
        return 1;
    }
    std::fprintf(stderr, "usage: catalogue_bench load SERVER | catalogue_bench interactive SERVER |\n"
                         "       catalogue_bench replies SERVER DIR\n");
    return 2;
}
