#include "app/application.h"
#include "app/command_line.h"

#include <QDir>
#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CommandLine, options_and_mistakes)
{
    using Action = CommandLine::Action;
    const QString here = QDir::currentPath();
    const struct {
        QStringList arguments;
        Action action;
        QString text; // part of what is printed
        QString folder;
        bool registro;
    } cases[] = {
        {{}, Action::Run, {}, {}, false},
        {{u"--help"_s}, Action::Help, u"--pasta-dados PASTA"_s, {}, false},
        {{u"-h"_s}, Action::Help, u"Opções:"_s, {}, false},
        {{u"--version"_s}, Action::Version, u"pedidos-vendedor " PV_VERSION "\n"_s, {}, false},
        {{u"-v"_s}, Action::Version, u"pedidos-vendedor "_s, {}, false},
        {{u"--pasta-dados"_s, u"/tmp/vendas/../dados"_s}, Action::Run, {}, u"/tmp/dados/"_s, false},
        {{u"--pasta-dados=dados"_s, u"--registro"_s}, Action::Run, {}, here + u"/dados/"_s, true},
        {{u"--pasta-dados"_s}, Action::Error, u"falta o valor de --pasta-dados"_s, {}, false},
        {{u"--pasta-dados="_s}, Action::Error, u"precisa de uma pasta"_s, {}, false},
        {{u"--depurar"_s}, Action::Error, u"opção desconhecida: depurar"_s, {}, false},
        {{u"dados"_s}, Action::Error, u"argumento inesperado: dados"_s, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CommandLine line = read_command_line(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_TRUE(line.text.contains(c.text)) << line.text.toStdString();
        EXPECT_EQ(line.data_folder, c.folder);
        EXPECT_EQ(line.registro, c.registro);
    }
    EXPECT_TRUE(asks_only_for_text({u"pedidos-vendedor"_s, u"-platform"_s, u"offscreen"_s, u"--version"_s}));
    EXPECT_FALSE(asks_only_for_text({u"pedidos-vendedor"_s, u"--registro"_s}));
}

// The window system appends a set display name to every title ("PEDIDOS VENDEDOR — Pedidos
// Vendedor"); without one, a window's title is its caption alone.
TEST(CommandLine, the_program_sets_no_display_name_for_titles)
{
    prepare_application();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), u"pedidos-vendedor"_s);
    EXPECT_EQ(QGuiApplication::desktopFileName(), u"pedidos-vendedor"_s);
}
