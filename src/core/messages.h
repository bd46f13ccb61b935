#pragma once

#include <QString>

// What the system says to the salesperson. The application shows modal message boxes; tests install
// a recorder that keeps what was said and answers the questions as the test scripts.
class Messages {
public:
    virtual ~Messages() = default;

    virtual void information(const QString& text) = 0;
    virtual void warning(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
    // Yes / No question; true for Yes.
    virtual bool confirm(const QString& text) = 0;
    // OK / Cancel question; true for OK.
    virtual bool confirm_ok_cancel(const QString& text) = 0;
    virtual void beep() = 0;
};
