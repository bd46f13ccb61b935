#include "app/command_line.h"
#include "qt_printers.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CommandLine, options_and_mistakes)
{
    using Action = CommandLine::Action;
    const QString here = QDir::currentPath();
    // "/" on Linux, "C:/" on Windows: where a path without a drive lands.
    const QString root = QDir::rootPath();
#ifdef Q_OS_WIN
    const QString usual_folder = u"c:\\systemtemp\\"_s;
#else
    const QString usual_folder = u"$XDG_DATA_HOME/pedidos-vendedor/"_s;
#endif
    const QString a_file = QCoreApplication::applicationFilePath();
    const struct {
        QStringList arguments;
        QtOptions qt;
        Action action;
        QString text; // part of what is printed
        QString folder;
        bool registro;
    } cases[] = {
        {{}, QtOptions::Removed, Action::Run, {}, {}, false},
        {{u"--help"_s}, QtOptions::Removed, Action::Help, u"--pasta-dados PASTA"_s, {}, false},
        {{u"-h"_s}, QtOptions::Removed, Action::Help, u"Opções:"_s, {}, false},
        {{u"--help"_s},
         QtOptions::Removed,
         Action::Help,
         u"em vez de\n                       "_s + usual_folder,
         {},
         false},
        {{u"--version"_s},
         QtOptions::Removed,
         Action::Version,
         u"pedidos-vendedor " PV_VERSION "\n"_s,
         {},
         false},
        {{u"-v"_s}, QtOptions::Removed, Action::Version, u"pedidos-vendedor "_s, {}, false},
        {{u"--pasta-dados"_s, root + u"tmp/vendas/../dados"_s},
         QtOptions::Removed,
         Action::Run,
         {},
         root + u"tmp/dados/"_s,
         false},
        {{u"--pasta-dados=dados/"_s, u"--registro"_s},
         QtOptions::Removed,
         Action::Run,
         {},
         here + u"/dados/"_s,
         true},
        {{u"--pasta-dados"_s, root}, QtOptions::Removed, Action::Run, {}, root, false},
        {{u"--pasta-dados"_s},
         QtOptions::Removed,
         Action::Error,
         u"falta o valor de --pasta-dados"_s,
         {},
         false},
        {{u"--pasta-dados="_s}, QtOptions::Removed, Action::Error, u"precisa de uma pasta"_s, {}, false},
        {{u"--pasta-dados"_s, a_file},
         QtOptions::Removed,
         Action::Error,
         a_file + u" não é uma pasta"_s,
         {},
         false},
        {{u"--depurar"_s}, QtOptions::Removed, Action::Error, u"opção desconhecida: depurar"_s, {}, false},
        {{u"dados"_s}, QtOptions::Removed, Action::Error, u"argumento inesperado: dados"_s, {}, false},
        // Before the application starts, Qt's own options are passed over, with their values.
        {{u"-platform"_s, u"offscreen"_s, u"--version"_s},
         QtOptions::Present,
         Action::Version,
         u"pedidos-vendedor "_s,
         {},
         false},
        {{u"--style=fusion"_s, u"-reverse"_s, u"--depurar"_s},
         QtOptions::Present,
         Action::Error,
         u"opção desconhecida: depurar"_s,
         {},
         false},
        {{u"-qwindowtitle"_s, u"Vendas"_s, u"--pasta-dados"_s, root + u"tmp/dados"_s},
         QtOptions::Present,
         Action::Run,
         {},
         root + u"tmp/dados/"_s,
         false},
        {{u"-platform"_s, u"offscreen"_s},
         QtOptions::Removed,
         Action::Error,
         u"opção desconhecida: platform"_s,
         {},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CommandLine line = read_command_line(c.arguments, c.qt);
        EXPECT_EQ(line.action, c.action);
        // An empty text in the table: the line says nothing.
        if (c.text.isEmpty())
            EXPECT_TRUE(line.text.isEmpty()) << line.text.toStdString();
        else
            EXPECT_TRUE(line.text.contains(c.text)) << line.text.toStdString();
        EXPECT_EQ(line.data_folder, c.folder);
        EXPECT_EQ(line.registro, c.registro);
    }
}
