#pragma once

#include <QApplication>

class Messages;

// The application object. An exception that escapes an event handler is shown by the error report
// instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    void set_messages(Messages* messages) { messages_ = messages; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Messages* messages_ = nullptr;
};
