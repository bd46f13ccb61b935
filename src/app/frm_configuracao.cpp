#include "frm_configuracao.h"
#include "ui_frm_configuracao.h"

#include "core/context.h"
#include "core/error_report.h"
#include "core/messages.h"
#include "settings/settings.h"
#include "ui/look.h"
#include "ui/screen.h"

using namespace Qt::StringLiterals;

Tfrm_Configuracao::Tfrm_Configuracao(const Context& context, QWidget* parent)
    : QDialog(parent), context_(context), ui(std::make_unique<Ui::Tfrm_Configuracao>())
{
    ui->setupUi(this);
    prepare_screen(this);
    for (QWidget* w : {static_cast<QWidget*>(ui->lblEmpresa), static_cast<QWidget*>(ui->edtEmpresa),
                       static_cast<QWidget*>(ui->lblIP), static_cast<QWidget*>(ui->edtIP),
                       static_cast<QWidget*>(ui->lblIDVendedor), static_cast<QWidget*>(ui->edtIDVendedor),
                       static_cast<QWidget*>(ui->lblKey), static_cast<QWidget*>(ui->edtKey)})
        w->setFont(screen_font(19));
    make_picture_button(ui->btnGravar, u"gravar"_s, u"Gravar configuração"_s, {}, 40);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, {}, 40);

    connect(ui->btnGravar, &QToolButton::clicked, this, &Tfrm_Configuracao::btnGravarClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Configuracao::btnFecharClick);

    FormCreate();
}

Tfrm_Configuracao::~Tfrm_Configuracao() = default;

void Tfrm_Configuracao::FormCreate()
{
    run_guarded(*context_.messages, [this] { carregar_configuracao(); });
}

void Tfrm_Configuracao::btnGravarClick()
{
    run_guarded(*context_.messages, [this] { gravar_configuracao(); });
}

void Tfrm_Configuracao::btnFecharClick()
{
    close();
}

void Tfrm_Configuracao::carregar_configuracao()
{
    create_data_folders(context_);
    // A damaged file is shown as far as it can be read; saving replaces it with a sound one.
    const Settings settings(context_, Settings::Damaged::AsItStands);
    if (!settings.exists()) {
        settings.create_fresh();
        return;
    }
    if (const std::optional<QString> damage = settings.damage())
        context_.messages->warning(*damage + u" Confira os dados e grave-os para corrigi-lo."_s);
    ui->edtEmpresa->setText(settings.read_string(u"Empresa"_s));
    ui->edtIP->setText(settings.read_string(u"IP"_s));
    ui->edtIDVendedor->setText(settings.read_string(u"ID"_s));
    ui->edtKey->setText(settings.read_string(u"Chave"_s));
    ui->cbxTemporario->setChecked(settings.read_bool(u"Temporario"_s, false));
}

void Tfrm_Configuracao::gravar_configuracao()
{
    const Settings settings(context_, Settings::Damaged::AsItStands);
    settings.write_values({
        {u"Empresa"_s, ui->edtEmpresa->text()},
        {u"IP"_s, ui->edtIP->text()},
        {u"ID"_s, ui->edtIDVendedor->text()},
        {u"Chave"_s, ui->edtKey->text()},
        {u"Temporario"_s, ui->cbxTemporario->isChecked() ? u"1"_s : u"0"_s},
    });
}
