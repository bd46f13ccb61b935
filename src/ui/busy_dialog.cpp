#include "busy_dialog.h"

#include "look.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BusyDialog::BusyDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"frmAguarde"_s);
    setWindowTitle(u"Aguarde..."_s);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    apply_look(this);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(u"Aguarde..."_s, this);
    title->setFont(screen_font(19));
    lblWhat = new QLabel(this);
    lblWhat->setObjectName(u"lblWhat"_s);
    lblBytes = new QLabel(this);
    lblBytes->setObjectName(u"lblBytes"_s);
    btnCancelar = new QPushButton(u"Cancelar"_s, this);
    btnCancelar->setObjectName(u"btnCancelar"_s);
    btnCancelar->setAccessibleName(u"Cancelar"_s);
    layout->addWidget(title);
    layout->addWidget(lblWhat);
    layout->addWidget(lblBytes);
    layout->addWidget(btnCancelar, 0, Qt::AlignRight);
    setMinimumWidth(380);
    connect(btnCancelar, &QPushButton::clicked, this, &BusyDialog::reject);

    show_timer = new QTimer(this);
    show_timer->setSingleShot(true);
    show_timer->setInterval(300);
    connect(show_timer, &QTimer::timeout, this, [this] { show(); });
}

BusyDialog::~BusyDialog() = default;

void BusyDialog::started(const QString& what, const QString& server)
{
    cancelled_ = false;
    btnCancelar->setEnabled(true);
    lblWhat->setText(u"Buscando %1 em %2"_s.arg(what, server));
    lblBytes->setText(u"Aguardando resposta..."_s);
    show_timer->start();
}

void BusyDialog::received(qint64 bytes)
{
    lblBytes->setText(u"%1 recebidos"_s.arg(QLocale().formattedDataSize(bytes)));
}

void BusyDialog::finished()
{
    show_timer->stop();
    hide();
}

void BusyDialog::reject()
{
    // Closing the dialog by Esc or by its button cancels the call; the transport then fails it.
    cancelled_ = true;
    btnCancelar->setEnabled(false);
    lblBytes->setText(u"Cancelando..."_s);
}
