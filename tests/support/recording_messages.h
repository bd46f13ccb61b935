#pragma once

#include "core/messages.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Keeps every message in order ("information: text", "warning: text", "error: text",
// "confirm: text", "beep") and answers questions from a script (true when the script is empty).
class RecordingMessages : public Messages {
public:
    void information(const QString& text) override;
    void warning(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirm_ok_cancel(const QString& text) override;
    void beep() override;

    QStringList said;
    QList<bool> answers;
    // Runs at every message, after it is recorded: a test can act while a message "is shown".
    std::function<void(const QString&)> on_message;

    QStringList errors() const;
    void clear() { said.clear(); }

private:
    void record(const QString& line);
    bool answer();
};
