#include "command_line.h"

#include "settings/data_folder.h"

#include <QCommandLineParser>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_WIN
constexpr auto kUsualFolder = u"c:\\systemtemp\\";
#else
constexpr auto kUsualFolder = u"$XDG_DATA_HOME/pedidos-vendedor/";
#endif

// %1: the usual data folder.
const QString kHelp = uR"(Uso: pedidos-vendedor [opções]

Pedidos Vendedor: clientes, produtos, tabelas de preço e pedidos de venda do vendedor, com o
servidor de aplicação da empresa.

Opções:
  --pasta-dados PASTA  usa PASTA como pasta de dados (configuração, cadastros, pedidos), em vez de
                       %1
  --registro           escreve na saída de erros o que o programa faz (requisições, arquivos,
                       cargas); o mesmo que QT_LOGGING_RULES="pedidos.*=true"
  -h, --help           mostra esta ajuda
  -v, --version        mostra a versão
)"_s;

// The options QGuiApplication, QApplication and the X11 platform take out of the arguments when
// the application starts: those followed by a value, and the others.
const QStringList kQtOptionsWithValue =
    u"platform platformpluginpath platformtheme plugin qwindowgeometry qwindowtitle qwindowicon geometry "
    u"title icon session display name visual style stylesheet qmljsdebugger"_s.split(u' ');
const QStringList kQtFlags = u"reverse widgetcount testability nograb dograb sync"_s.split(u' ');

QStringList without_qt_options(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(u'-')) {
            kept.append(argument);
            continue;
        }
        // Qt reads -name and --name alike; -name=value only for some, harmless for the others.
        const QStringView name = QStringView(argument).mid(argument.startsWith(u"--"_s) ? 2 : 1);
        const qsizetype equals = name.indexOf(u'=');
        const QStringView bare = equals < 0 ? name : name.left(equals);
        if (kQtOptionsWithValue.contains(bare)) {
            if (equals < 0) ++i;
        } else if (!kQtFlags.contains(bare)) {
            kept.append(argument);
        }
    }
    return kept;
}

} // namespace

CommandLine read_command_line(const QStringList& arguments, QtOptions qt_options)
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
    const QStringList own = qt_options == QtOptions::Present ? without_qt_options(arguments) : arguments;
    if (!parser.parse(QStringList{u"pedidos-vendedor"_s} + own)) {
        if (!parser.unknownOptionNames().isEmpty())
            return fail(u"opção desconhecida: "_s + parser.unknownOptionNames().constFirst());
        return fail(u"falta o valor de --pasta-dados"_s);
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(u"argumento inesperado: "_s + parser.positionalArguments().constFirst());
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = kHelp.arg(QStringView(kUsualFolder));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = u"pedidos-vendedor "_s + QStringLiteral(PV_VERSION) + u'\n';
        return result;
    }
    if (parser.isSet(folder)) {
        const QString given = parser.value(folder);
        if (given.trimmed().isEmpty()) return fail(u"--pasta-dados precisa de uma pasta"_s);
        // A folder that does not exist yet is created by the settings screen, as the usual one is.
        const QFileInfo info(given);
        if (info.exists() && !info.isDir()) return fail(u"--pasta-dados: "_s + given + u" não é uma pasta"_s);
        result.data_folder = as_data_folder(given);
    }
    result.registro = parser.isSet(registro);
    return result;
}
