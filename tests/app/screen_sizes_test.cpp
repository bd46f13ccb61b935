#include "app/application.h"
#include "app/frm_configuracao.h"
#include "app/frm_principal.h"
#include "app/frm_transmissao.h"
#include "catalogue/frm_cad_produtos.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue/frm_lista_produtos.h"
#include "clientcard/frm_cad_clientes.h"
#include "orders/frm_cad_pedidos.h"
#include "recording_messages.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "ui/look.h"

#include <QAbstractScrollArea>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Where a child reaches outside the widget that holds it, so that part of it is cut off.
QStringList cut_off(QWidget* screen)
{
    QStringList out;
    for (QWidget* w : screen->findChildren<QWidget*>()) {
        QWidget* holder = w->parentWidget();
        if (!w->isVisibleTo(screen) || w->isWindow() || !holder) continue;
        // What scrolls is meant to be larger than its window.
        if (qobject_cast<QAbstractScrollArea*>(holder->parentWidget())) continue;
        if (!holder->rect().contains(w->geometry()))
            out << w->objectName() + u" em "_s + holder->objectName();
    }
    return out;
}

} // namespace

// A salesperson's laptop: 1024×768 with a taskbar 40 pixels high; each window has a frame.
TEST(ScreenSizes, every_screen_fits_a_1024x768_display_whole)
{
    prepare_application();
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};
    std::vector<std::unique_ptr<QWidget>> screens;
    screens.push_back(std::make_unique<Tfrm_Principal>(context));
    screens.push_back(std::make_unique<Tfrm_Cad_Pedidos>(context, dados));
    screens.push_back(std::make_unique<Tfrm_Lista_Clientes>(context, dados));
    screens.push_back(std::make_unique<Tfrm_Lista_Produtos>(context, dados));
    screens.push_back(std::make_unique<Tfrm_Cad_Clientes>(context, dados));
    screens.push_back(std::make_unique<Tfrm_Cad_Produtos>());
    screens.push_back(std::make_unique<Tfrm_Transmissao>(context, dados));
    screens.push_back(std::make_unique<Tfrm_Configuracao>(context));

    const QRect area(0, 0, 1024, 768 - 40);
    for (const auto& screen : screens) {
        const std::string name = screen->objectName().toStdString();
        fit_on_screen(screen.get(), area);
        screen->grab(); // lays out the whole screen as showing it would
        const QRect outer(screen->pos(), screen->size().grownBy(QMargins(8, 31, 8, 8)));
        EXPECT_TRUE(area.contains(outer)) << name << ": " << outer.width() << "x" << outer.height();
        EXPECT_TRUE(cut_off(screen.get()).isEmpty())
            << name << ": " << cut_off(screen.get()).join(u", "_s).toStdString();
    }
}
