#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "clientcard/card_history.h"
#include "clientcard/frm_cad_clientes.h"
#include "modal.h"
#include "pdf_text.h"
#include "recording_messages.h"
#include "recording_transport.h"
#include "server_process.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include "temp_folder.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Whether poppler draws the first page: a file that merely starts like a PDF does not pass.
bool renders_as_pdf(const QString& path)
{
    pdf_tool(u"pdftoppm"_s,
             {u"-png"_s, u"-r"_s, u"30"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, path, path + u"-pagina"_s});
    return QFileInfo::exists(path + u"-pagina-1.png"_s) || QFileInfo::exists(path + u"-pagina-01.png"_s);
}

} // namespace

TEST(ClientCardFlow, a_card_shown_for_a_client_loads_its_history_and_fetches_real_documents)
{
    ServerProcess server;
    TempFolder dir;
    RecordingMessages messages;
    RecordingTransport transport;
    Context context = make_context(dir, &messages);
    context.transport = &transport;
    QStringList opened;
    context.open_document = [&](const QString& path) { opened << path; };
    TdmDados dados{context.regional};
    dir.write_config(u"Teste"_s, server.address(), u"1"_s, u"47261"_s);
    importar_clientes(context, dados.tblCliente);
    importar_produtos(context, dados);
    ASSERT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();

    // A client of the demo data with open payment slips.
    int client = 0;
    Identity probe;
    for (dados.tblCliente.first(); !dados.tblCliente.eof() && client == 0; dados.tblCliente.next()) {
        const int id = dados.tblCliente.as_integer(u"cli_id");
        carregar_financeiro(context, dados, QString::number(id), probe);
        if (dados.tblReceber.record_count() > 0) client = id;
    }
    ASSERT_GT(client, 0);
    ASSERT_TRUE(dados.tblCliente.locate(u"cli_id", QVariant(client)));
    const QString code = QString::number(client);

    // The card as the client list opens it (the list's side is covered against a scripted server).
    Tfrm_Cad_Clientes card(context, dados);
    card.mostrar_cliente(client_card_values(dados.tblCliente));
    const qsizetype before = transport.bodies.size();
    card.show();
    ASSERT_TRUE(wait_until([&] { return transport.bodies.size() == before + 2; }, 30000));
    drain_events();
    EXPECT_GT(dados.tblReceber.record_count(), 0);
    for (dados.tblReceber.first(); !dados.tblReceber.eof(); dados.tblReceber.next())
        EXPECT_EQ(dados.tblReceber.as_integer(u"cli_id"), client);
    dados.tblReceber.first();
    QTest::mouseClick(child<QToolButton>(&card, u"btnBoletoPDF"_s), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>(&card, u"btnLinhaDigitavel"_s), Qt::LeftButton);
    const QString line = child<QPlainTextEdit>(&card, u"memoLinha"_s)->toPlainText();
    // Both reports are written as the salesperson's "1.pdf": each is read before the next replaces it.
    QTest::mouseClick(child<QToolButton>(&card, u"btnRelFinanceiro"_s), Qt::LeftButton);
    EXPECT_TRUE(pdf_text(dir.path(u"1.pdf"_s)).contains(u"RELATÓRIO FINANCEIRO"_s));
    QTest::mouseClick(child<QToolButton>(&card, u"btnRelVendas"_s), Qt::LeftButton);
    EXPECT_TRUE(pdf_text(dir.path(u"1.pdf"_s)).contains(u"RELATÓRIO DE VENDAS"_s));

    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    EXPECT_TRUE(dir.exists(u"financeiro.json"_s));
    EXPECT_TRUE(dir.exists(u"histvendas.json"_s));
    EXPECT_EQ(opened, (QStringList{dir.path(code + u".pdf"_s), dir.path(u"1.pdf"_s), dir.path(u"1.pdf"_s)}));
    EXPECT_TRUE(renders_as_pdf(dir.path(code + u".pdf"_s)));
    QString digits = line;
    digits.remove(u'.').remove(u' ');
    EXPECT_EQ(digits.size(), 47) << line.toStdString();
}
