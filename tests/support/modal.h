#pragma once

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

// A watch over the modal screens that the code under test opens with exec(). It lives as long as the
// object that when_modal() or refuse_modal() returns, so that no watch outlives its test.
class ModalWatch {
public:
    struct State;
    explicit ModalWatch(std::shared_ptr<State> state);
    ModalWatch(ModalWatch&&) noexcept;
    ModalWatch& operator=(ModalWatch&&) = delete;
    // Ends the watch; a screen that was expected and never came fails the test.
    ~ModalWatch();

private:
    std::shared_ptr<State> state_;
};

// Once a modal widget of the given class (any, when empty) is active, action runs on it; the action
// usually closes the screen. When no such screen comes within timeout_ms, or by the end of the
// watch, the test fails, and whatever modal is open then is closed so that the test does not hang.
[[nodiscard]] ModalWatch when_modal(const QString& class_name, std::function<void(QWidget*)> action,
                                    int timeout_ms = 10000);

// While the watch lives, a modal widget of the given class that opens fails the test and is closed.
[[nodiscard]] ModalWatch refuse_modal(const QString& class_name);

// Thrown by child() after it has recorded its failure: it ends the test body, or the action of a
// modal watch, without taking the other tests down.
struct MissingControl : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A child of parent by objectName, of type T; fails the current test when missing.
template <class T> T* child(QWidget* parent, const QString& name)
{
    T* w = parent ? parent->findChild<T*>(name) : nullptr;
    if (!w) {
        const std::string what = "control " + name.toStdString() + " not found";
        ADD_FAILURE() << what;
        throw MissingControl(what);
    }
    return w;
}

// Processes events until condition holds or timeout_ms passes; returns whether it holds. Use it as
// EXPECT_TRUE(wait_until(...)): QTest's QTRY_ macros do not report to GoogleTest.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000);

// Delivers the events already posted, and the deferred deletes among them, so that a check of
// "nothing else happened" runs after the work in flight has ended.
void drain_events();
