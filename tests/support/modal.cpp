#include "modal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

void when_modal(const QString& class_name, std::function<void(QWidget*)> action, int timeout_ms)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        QWidget* w = QApplication::activeModalWidget();
        const bool match =
            w && (class_name.isEmpty() || class_name == QString::fromLatin1(w->metaObject()->className()));
        if (!match && clock.elapsed() <= timeout_ms)
            return;
        timer->stop();
        timer->deleteLater();
        if (match)
            action(w);
        else if (w)
            w->close();
    });
    timer->start();
}
