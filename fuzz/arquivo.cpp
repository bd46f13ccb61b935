// The "ARQUIVO" triple of a document reply ([byte list, byte count, file name]), decoded and written.
#include "core/context.h"
#include "core/errors.h"
#include "fuzz_support.h"
#include "server/cache.h"
#include "server/json_parse.h"

#include <QDir>
#include <QFile>

#include <charconv>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A whole number past 64 bits must never read as a byte value or a count.
bool beyond_64_bits(std::string_view piece)
{
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t'))
        piece.remove_suffix(1);
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
        piece.remove_prefix(1);
    if (!piece.empty() && (piece.front() == '-' || piece.front() == '+')) piece.remove_prefix(1);
    if (piece.empty() || piece.find_first_not_of("0123456789") != std::string_view::npos) return false;
    unsigned __int128 value = 0;
    for (const char c : piece) {
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > (static_cast<unsigned __int128>(1) << 64)) return true;
    }
    return value >= (static_cast<unsigned __int128>(1) << 63) + 1;
}

std::vector<std::string_view> pieces(std::string_view list)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t comma = list.find(',', pos);
        if (comma == std::string_view::npos) comma = list.size();
        std::string_view piece = list.substr(pos, comma - pos);
        pos = comma + 1;
        while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
            piece.remove_prefix(1);
        if (!piece.empty()) out.push_back(piece);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    start_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static JsonParser parser;
    std::optional<JsonValue> arquivo;
    try {
        arquivo = parser.parse(as_text(data, size));
    } catch (const Error&) {
    }
    if (!arquivo) return 0;

    Documento documento;
    try {
        documento = decodificar_arquivo(*arquivo);
    } catch (const Error&) {
        return 0;
    }
    const QString& name = documento.nome;
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u"."_s || name == u".."_s)
        fuzz_fail("a document name that leaves its folder was taken", name.toStdString());
    if (beyond_64_bits(arquivo->at(1).text()))
        fuzz_fail("a byte count beyond 64 bits was taken", arquivo->at(1).text());
    const std::vector<std::string_view> values = pieces(arquivo->at(0).text());
    for (qsizetype i = 0; i < documento.bytes.size(); ++i)
        if (beyond_64_bits(values.at(static_cast<std::size_t>(i))))
            fuzz_fail("a byte value beyond 64 bits was taken", values[static_cast<std::size_t>(i)]);

    // What decodes is what salvar_arquivo writes, inside the folder it was given.
    static const Context context = [] {
        Context c;
        c.data_folder = scratch_folder();
        return c;
    }();
    try {
        salvar_arquivo(context, *arquivo, QStringLiteral("documentos"));
    } catch (const Error&) {
        return 0; // a name the file system refuses
    }
    QFile written(scratch_folder() + u"documentos/"_s + name);
    if (!written.open(QIODevice::ReadOnly)) fuzz_fail("salvar_arquivo wrote no file", name.toStdString());
    if (written.readAll() != documento.bytes) fuzz_fail("salvar_arquivo wrote other bytes than it decoded");
    written.remove();
    if (QDir(scratch_folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() != 1)
        fuzz_fail("salvar_arquivo wrote outside its folder", name.toStdString());
    return 0;
}
