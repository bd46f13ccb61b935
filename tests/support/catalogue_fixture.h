#pragma once

#include "core/errors.h"
#include "qt_printers.h"
#include "recording_messages.h"
#include "recording_transport.h"
#include "scripted_server.h"
#include "store/dm_dados.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

// A data folder configured for a scripted server, the data module, and a way to run a step as a
// screen handler does (errors become messages).
class CatalogueTest : public ::testing::Test {
protected:
    TempFolder dir;
    RecordingMessages messages;
    RecordingTransport transport;
    ScriptedServer server;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};

    void SetUp() override
    {
        context.transport = &transport;
        configure(QStringLiteral("Teste"), QStringLiteral("1"), QStringLiteral("47261"));
    }
    void configure(const QString& empresa, const QString& id, const QString& chave)
    {
        dir.write_config(empresa, server.address(), id, chave);
    }
    void reply(const QByteArray& object)
    {
        server.answer(ScriptedServer::http(200, "{\"result\":[" + object + "]}"));
    }
    // Runs a step the way a handler does; returns the error text, empty when it passed.
    QString run(const std::function<void()>& step)
    {
        try {
            step();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }
    // Column of every visible row of a table, as text.
    static QStringList column(Table& table, const char* field)
    {
        QStringList out;
        for (table.first(); !table.eof(); table.next())
            out << table.as_text(QString::fromLatin1(field));
        return out;
    }
};
