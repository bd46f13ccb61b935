#include "frm_cad_produtos.h"
#include "ui_frm_cad_produtos.h"

#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

Tfrm_Cad_Produtos::Tfrm_Cad_Produtos(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Tfrm_Cad_Produtos>())
{
    ui->setupUi(this);
    prepare_screen(this);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        capitalise_letters(edit);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);

    PopupMenu1 = make_popup_menu(this);
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Cad_Produtos::btnFecharClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Cad_Produtos::btnFecharClick);
}

Tfrm_Cad_Produtos::~Tfrm_Cad_Produtos() = default;

void Tfrm_Cad_Produtos::preencher(const CardValues& values)
{
    fill_edits(this, values);
}

void Tfrm_Cad_Produtos::limpar_campos()
{
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->clear();
}

void Tfrm_Cad_Produtos::btnFecharClick()
{
    limpar_campos();
    close();
}
