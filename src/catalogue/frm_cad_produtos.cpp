#include "frm_cad_produtos.h"
#include "ui_frm_cad_produtos.h"

#include "ui/screen_menu.h"
#include "core/context.h"
#include "core/errors.h"
#include "ui/look.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

Tfrm_Cad_Produtos::Tfrm_Cad_Produtos(const Context& context, QWidget* parent)
    : QDialog(parent), context_(context), ui(std::make_unique<Ui::Tfrm_Cad_Produtos>())
{
    ui->setupUi(this);
    apply_look(this);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        capitalise_letters(edit);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);

    PopupMenu1 = make_popup_menu(this);
    Fechar1 = add_menu_item(PopupMenu1, u"Fechar1"_s, u"Fechar"_s, QKeySequence(Qt::Key_Escape));
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Cad_Produtos::btnFecharClick);
    connect(Fechar1, &QAction::triggered, this, &Tfrm_Cad_Produtos::btnFecharClick);
}

Tfrm_Cad_Produtos::~Tfrm_Cad_Produtos() = default;

void Tfrm_Cad_Produtos::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centre_on_screen(this);
}

void Tfrm_Cad_Produtos::preencher(const CardValues& values)
{
    for (const auto& [name, text] : values) {
        auto* edit = findChild<QLineEdit*>(name);
        if (!edit) throw Error(u"O cadastro de produtos não tem o campo %1."_s.arg(name));
        edit->setText(text);
        edit->setCursorPosition(0);
    }
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
