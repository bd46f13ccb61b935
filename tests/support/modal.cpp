#include "modal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

struct ModalWatch::State {
    QString class_name;
    std::function<void(QWidget*)> action; // empty: the screen must not open
    int timeout_ms = 0;
    QElapsedTimer clock;
    QTimer timer;
    bool ended = false;        // acted, or failed: nothing more to do
    QPointer<QWidget> refused; // the unwanted screen being closed, reported once

    bool matches(QWidget* w) const
    {
        return w && (class_name.isEmpty() || class_name == QString::fromLatin1(w->metaObject()->className()));
    }
    QString label() const { return class_name.isEmpty() ? QStringLiteral("a modal screen") : class_name; }
};

namespace {

void close_for_failure(QWidget* w)
{
    // Later, from the event loop of the screen's own exec(), like any user action.
    QPointer<QWidget> target = w;
    QMetaObject::invokeMethod(
        qApp,
        [target] {
            if (target) target->close();
        },
        Qt::QueuedConnection);
}

ModalWatch watch(const QString& class_name, std::function<void(QWidget*)> action, int timeout_ms)
{
    auto state = std::make_shared<ModalWatch::State>();
    state->class_name = class_name;
    state->action = std::move(action);
    state->timeout_ms = timeout_ms;
    state->clock.start();
    state->timer.setInterval(10);
    ModalWatch::State* s = state.get(); // the timer dies with the state, so its slot never sees it dangle
    QObject::connect(&s->timer, &QTimer::timeout, &s->timer, [s, weak = std::weak_ptr(state)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!s->action) {
            if (s->matches(w) && w != s->refused) {
                s->refused = w;
                ADD_FAILURE() << s->label().toStdString() << " opened, and it should not have";
                close_for_failure(w);
            }
            return;
        }
        if (!s->matches(w)) {
            if (s->timeout_ms < 0 || s->clock.elapsed() <= s->timeout_ms) return;
            s->ended = true;
            s->timer.stop();
            ADD_FAILURE() << s->label().toStdString() << " did not open within " << s->timeout_ms << " ms";
            if (w) close_for_failure(w);
            return;
        }
        s->ended = true;
        s->timer.stop();
        // Acting from a queued call rather than from this timer's slot lets the screen's own timers
        // (a load started when it is shown) fire while the action waits.
        QPointer<QWidget> target = w;
        QMetaObject::invokeMethod(
            qApp,
            [weak, target] {
                const std::shared_ptr<ModalWatch::State> alive = weak.lock();
                if (!alive || !target) return;
                try {
                    alive->action(target);
                } catch (const MissingControl&) {
                    // Already a failure of the test; close the screen so that its exec() returns.
                    target->close();
                }
            },
            Qt::QueuedConnection);
    });
    s->timer.start();
    return ModalWatch(std::move(state));
}

} // namespace

ModalWatch::ModalWatch(std::shared_ptr<State> state) : state_(std::move(state)) {}

ModalWatch::ModalWatch(ModalWatch&&) noexcept = default;

ModalWatch::~ModalWatch()
{
    if (!state_) return;
    state_->timer.stop();
    if (state_->action && !state_->ended) ADD_FAILURE() << state_->label().toStdString() << " never opened";
}

ModalWatch when_modal(const QString& class_name, std::function<void(QWidget*)> action, int timeout_ms)
{
    Q_ASSERT(action);
    return watch(class_name, std::move(action), timeout_ms);
}

ModalWatch refuse_modal(const QString& class_name)
{
    return watch(class_name, {}, -1);
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void drain_events()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
