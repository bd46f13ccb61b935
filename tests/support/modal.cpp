#include "modal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
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
        // Acting from a queued call rather than from this timer's slot lets the screen's own timers
        // (a load started when it is shown) fire while the action waits.
        QPointer<QWidget> target = w;
        QMetaObject::invokeMethod(
            qApp,
            [=] {
                if (match && target)
                    action(target);
                else if (target)
                    target->close();
            },
            Qt::QueuedConnection);
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
