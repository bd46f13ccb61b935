#include "command_line.h"

#include <QCommandLineParser>
#include <QDir>

using namespace Qt::StringLiterals;

namespace {

const QString kHelp = uR"(Uso: pedidos-vendedor [opções]

Pedidos Vendedor: clientes, produtos, tabelas de preço e pedidos de venda do vendedor, com o
servidor de aplicação da empresa.

Opções:
  --pasta-dados PASTA  usa PASTA como pasta de dados (configuração, cadastros, pedidos), em vez de
                       $XDG_DATA_HOME/pedidos-vendedor/
  --registro           escreve na saída de erros o que o programa faz (requisições, arquivos,
                       cargas); o mesmo que QT_LOGGING_RULES="pedidos.*=true"
  -h, --help           mostra esta ajuda
  -v, --version        mostra a versão
)"_s;

} // namespace

bool asks_only_for_text(const QStringList& arguments)
{
    for (const QString& argument : arguments.mid(1))
        if (argument == u"--help"_s || argument == u"-h"_s || argument == u"--version"_s ||
            argument == u"-v"_s)
            return true;
    return false;
}

CommandLine read_command_line(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({u"h"_s, u"help"_s}, {});
    const QCommandLineOption version({u"v"_s, u"version"_s}, {});
    const QCommandLineOption folder(u"pasta-dados"_s, {}, u"PASTA"_s);
    const QCommandLineOption registro(u"registro"_s, {});
    parser.addOptions({help, version, folder, registro});

    CommandLine result;
    const auto fail = [&](const QString& text) {
        result.action = CommandLine::Action::Error;
        result.text = u"pedidos-vendedor: "_s + text + u"\nUse --help para ver as opções.\n"_s;
        return result;
    };
    if (!parser.parse(QStringList{u"pedidos-vendedor"_s} + arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return fail(u"opção desconhecida: "_s + parser.unknownOptionNames().constFirst());
        return fail(u"falta o valor de --pasta-dados"_s);
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(u"argumento inesperado: "_s + parser.positionalArguments().constFirst());
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = kHelp;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = u"pedidos-vendedor "_s + QStringLiteral(PV_VERSION) + u'\n';
        return result;
    }
    if (parser.isSet(folder)) {
        const QString given = parser.value(folder).trimmed();
        if (given.isEmpty()) return fail(u"--pasta-dados precisa de uma pasta"_s);
        result.data_folder = QDir::cleanPath(QDir(given).absolutePath()) + u'/';
    }
    result.registro = parser.isSet(registro);
    return result;
}
