#include "application.h"

#include "core/error_report.h"
#include "core/messages.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (messages_) messages_->error(error_text(std::current_exception()));
        return false;
    }
}
