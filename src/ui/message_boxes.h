#pragma once

#include "core/messages.h"

// The messages service of the running program: modal message boxes in Portuguese over the active
// screen.
class MessageBoxes : public Messages {
public:
    void information(const QString& text) override;
    void warning(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirm_ok_cancel(const QString& text) override;
    void beep() override;
};
