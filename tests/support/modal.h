#pragma once

#include <QString>
#include <QWidget>

#include <functional>

// Acts inside a modal screen that the code under test is about to open with exec(): once a modal
// widget of the given class (any, when empty) is active, action runs on it. The action usually closes
// the screen. Gives up after timeout_ms so that no test hangs.
void when_modal(const QString& class_name, std::function<void(QWidget*)> action, int timeout_ms = 10000);

// A child of parent by objectName, of type T; fails the current test when missing.
template <class T>
T* child(QWidget* parent, const QString& name)
{
    T* w = parent->findChild<T*>(name);
    if (!w)
        qFatal("control %s not found", qPrintable(name));
    return w;
}

// Processes events until condition holds or timeout_ms passes; returns whether it holds. Use it as
// EXPECT_TRUE(wait_until(...)): QTest's QTRY_ macros do not report to GoogleTest.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000);
