// Times the JSON pieces on catalogue-sized replies: parse into JsonValue (fresh and reused parser,
// beside simdjson's own DOM as the floor), the name lookups a loader makes, the compact writer, and
// a cache file written and read back. Also reports the heap the tree holds.
//
// Usage: json_bench FILE... [--iters N]
// (replies from gen_catalogue.py, e.g. clientes_reply.json of a 50,000-client catalogue)
#include "core/context.h"
#include "server/cache.h"
#include "server/json_parse.h"
#include "server/json_write.h"

#include <QTemporaryDir>

#include <simdjson.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double median_ms(int iters, const std::function<void()>& fn)
{
    std::vector<double> t;
    for (int i = 0; i < iters; ++i) {
        const double t0 = now_ms();
        fn();
        t.push_back(now_ms() - t0);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

std::size_t heap_in_use()
{
#ifdef __GLIBC__
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

std::size_t count_values(const JsonValue& v)
{
    std::size_t n = 1;
    for (std::size_t i = 0; i < v.size(); ++i)
        n += count_values(v.at(i));
    return n;
}

// What a loader does: every record by its name, then every field of it by name.
std::size_t lookups(const JsonValue& reply)
{
    std::size_t found = 0;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const std::string_view name = reply.key_at(i);
        const JsonValue* record = reply.find(name);
        if (!record || !record->is_object()) continue;
        for (std::size_t k = 0; k < record->size(); ++k)
            found += record->find(record->key_at(k)) != nullptr;
    }
    return found;
}

void bench_file(const std::string& path, int iters)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    std::printf("%s: %zu bytes\n", path.c_str(), text.size());

    simdjson::dom::parser dom;
    (void)dom.parse(text).error(); // warm-up: the parser's memory is allocated once
    std::printf("  simdjson DOM parse, reused parser   %8.1f ms\n",
                median_ms(iters, [&] { (void)dom.parse(text).error(); }));

    const double cold = median_ms(iters, [&] {
        JsonParser fresh;
        (void)fresh.parse(text);
    });
    std::printf("  JsonValue parse, fresh parser       %8.1f ms (tree freed inside)\n", cold);

    JsonParser parser;
    (void)parser.parse(text);
    std::optional<JsonValue> tree;
    std::vector<double> only;
    for (int i = 0; i < iters; ++i) {
        const double t0 = now_ms();
        tree = parser.parse(text);
        only.push_back(now_ms() - t0);
        if (i + 1 < iters) tree.reset();
    }
    std::sort(only.begin(), only.end());
    std::printf("  JsonValue parse, reused parser      %8.1f ms (freeing the tree not timed)\n",
                only[only.size() / 2]);

    tree.reset();
    const std::size_t heap0 = heap_in_use();
    tree = parser.parse(text);
    const std::size_t heap1 = heap_in_use();
    const std::size_t values = count_values(*tree);
    std::printf("  tree: %zu values, %.1f MiB heap (%.1f bytes a value)\n", values,
                (heap1 - heap0) / 1048576.0, double(heap1 - heap0) / double(values));

    std::size_t found = 0;
    std::printf("  find every record and field (first) %8.1f ms\n",
                median_ms(1, [&] { found = lookups(*tree); }));
    std::printf("  find every record and field (again) %8.1f ms (%zu found)\n",
                median_ms(iters, [&] { found = lookups(*tree); }), found);

    std::string out;
    std::printf("  write_json                          %8.1f ms", median_ms(iters, [&] {
                    out.clear();
                    write_json(out, *tree);
                }));
    std::printf(" (%zu bytes)\n", out.size());

    QTemporaryDir dir;
    Context context;
    context.data_folder = dir.path() + u'/';
    const QString name = QStringLiteral("bench.json");
    std::printf("  salvar_json                         %8.1f ms\n",
                median_ms(iters, [&] { salvar_json(context, *tree, name); }));
    JsonParser reader;
    std::printf("  carregar_json, reused parser        %8.1f ms\n",
                median_ms(iters, [&] { (void)carregar_json(context, name, reader); }));
}

} // namespace

int main(int argc, char** argv)
{
    int iters = 5;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--iters") == 0 && i + 1 < argc)
            iters = std::max(1, std::atoi(argv[++i]));
        else
            files.emplace_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: json_bench FILE... [--iters N]\n");
        return 2;
    }
    for (const std::string& f : files)
        bench_file(f, iters);
    return 0;
}
