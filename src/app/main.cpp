#include "application.h"
#include "core/context.h"
#include "frm_principal.h"
#include "server/json_parse.h"
#include "server/transport.h"
#include "settings/data_folder.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "ui/busy_dialog.h"
#include "ui/message_boxes.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    Application app(argc, argv);
    Application::setApplicationName(u"pedidos-vendedor"_s);
    Application::setApplicationDisplayName(u"Pedidos Vendedor"_s);

    MessageBoxes messages;
    app.set_messages(&messages);

    Context context;
    context.data_folder = data_folder();
    context.regional = Regional::system();
    context.messages = &messages;
    // The desktop's viewer (the Windows shell, or xdg-open elsewhere); the program does not wait.
    context.open_document = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    JsonParser parser;
    context.parser = &parser;
    ensure_history_folder(context);

    Tfrm_Principal principal(context);
    // The connection: every server operation opens its own, through this transport.
    BusyDialog busy(&principal);
    HttpTransport transport(&busy);
    context.transport = &transport;
    TdmDados dados(context.regional);

    principal.show();
    return app.exec();
}
