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

// The program's names, set once at start: the name of its data folder and its desktop entry. No
// display name, which the window system would append to every window's title.
void prepare_application();
