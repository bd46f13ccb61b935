// Renders each screen as the salesperson sees it and saves a PNG per screen.
#include "app/frm_principal.h"
#include "core/context.h"
#include "core/messages.h"
#include "settings/frm_configuracao.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class SilentMessages : public Messages {
public:
    void information(const QString&) override {}
    void warning(const QString&) override {}
    void error(const QString& text) override { std::fprintf(stderr, "erro: %s\n", qPrintable(text)); }
    bool confirm(const QString&) override { return true; }
    bool confirm_ok_cancel(const QString&) override { return true; }
    void beep() override {}
};

void save(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    w.grab().save(folder + u'/' + name + u".png"_s);
    std::printf("%s/%s.png\n", qPrintable(folder), qPrintable(name));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s;
    QDir().mkpath(out);

    QTemporaryDir data;
    SilentMessages messages;
    Context context;
    context.data_folder = data.path() + u'/';
    context.messages = &messages;

    {
        Tfrm_Principal window(context);
        save(window, out, u"principal-sem-configuracao"_s);
    }
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao-primeira-vez"_s);
    }
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao"_s);
    }
    {
        Tfrm_Principal window(context);
        save(window, out, u"principal"_s);
    }
    return 0;
}
