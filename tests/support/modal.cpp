#include "modal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
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

bool wait_until(const std::function<bool()>& condition, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}
