#include "application.h"
#include "command_line.h"
#include "console.h"
#include "core/context.h"
#include "core/log.h"
#include "frm_principal.h"
#include "server/json_parse.h"
#include "server/transport.h"
#include "settings/data_folder.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "ui/busy_dialog.h"
#include "ui/document_viewer.h"
#include "ui/message_boxes.h"

using namespace Qt::StringLiterals;

namespace {

int print(const CommandLine& line)
{
    console_write(line.text,
                  line.action == CommandLine::Action::Error ? ConsoleStream::Error : ConsoleStream::Output);
    return line.action == CommandLine::Action::Error ? 2 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Help, the version and a mistake need no window system: answered before the application
    // starts one, which would fail without a display.
    if (const CommandLine early = read_command_line(console_arguments(argc, argv), QtOptions::Present);
        early.action != CommandLine::Action::Run)
        return print(early);

    Application app(argc, argv);
    prepare_application();
    const CommandLine line = read_command_line(Application::arguments().mid(1));
    if (line.action != CommandLine::Action::Run) return print(line);
    if (line.registro) ativar_registro();

    MessageBoxes messages;
    app.set_messages(&messages);

    Context context;
    context.data_folder = line.data_folder.isEmpty() ? data_folder() : line.data_folder;
    context.regional = Regional::system();
    context.messages = &messages;
    context.open_document = [&messages](const QString& path) { open_in_viewer(messages, path); };
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
