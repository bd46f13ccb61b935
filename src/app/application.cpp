#include "application.h"

#include "core/error_report.h"
#include "core/messages.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

void prepare_application()
{
    QApplication::setApplicationName(QStringLiteral("pedidos-vendedor"));
    QApplication::setApplicationVersion(QStringLiteral(PV_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("pedidos-vendedor"));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (messages_) messages_->error(error_text(std::current_exception()));
        return false;
    }
}
