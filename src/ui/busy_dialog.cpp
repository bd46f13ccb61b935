#include "busy_dialog.h"

#include "look.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

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
    // The server's address is the settings file's text, shown as it is written.
    lblWhat->setTextFormat(Qt::PlainText);
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
    connect(show_timer, &QTimer::timeout, this, [this] {
        // Above whichever modal screen started the call, not under it.
        QWidget* top = QApplication::activeModalWidget();
        if (top && top != this) {
            winId();
            if (QWindow* window = windowHandle()) window->setTransientParent(top->window()->windowHandle());
        }
        show();
        raise();
        activateWindow();
    });
}

BusyDialog::~BusyDialog() = default;

void BusyDialog::started(const QString& what, const QString& server)
{
    if (calls_++ == 0) qApp->installEventFilter(this);
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
    if (calls_ > 0 && --calls_ > 0) return;
    qApp->removeEventFilter(this);
    show_timer->stop();
    hide();
}

bool BusyDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Close:
        break;
    default:
        return false;
    }
    if (auto* widget = qobject_cast<QWidget*>(watched); widget && (widget == this || isAncestorOf(widget)))
        return false;
    if (auto* window = qobject_cast<QWindow*>(watched); window && window == windowHandle()) return false;
    // A window closed by the program itself, not by the salesperson, still closes.
    if (event->type() == QEvent::Close && !event->spontaneous()) return false;
    return true;
}

void BusyDialog::reject()
{
    // Closing the dialog by Esc or by its button cancels the call; the transport then fails it.
    cancelled_ = true;
    btnCancelar->setEnabled(false);
    lblBytes->setText(u"Cancelando..."_s);
}
