#include "app/frm_configuracao.h"
#include "modal.h"
#include "recording_messages.h"
#include "settings/settings.h"
#include "temp_folder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Fields {
    QLineEdit* empresa;
    QLineEdit* ip;
    QLineEdit* id;
    QLineEdit* key;
    QCheckBox* temporario;
};

Fields fields(QWidget* screen)
{
    return {child<QLineEdit>(screen, u"edtEmpresa"_s), child<QLineEdit>(screen, u"edtIP"_s),
            child<QLineEdit>(screen, u"edtIDVendedor"_s), child<QLineEdit>(screen, u"edtKey"_s),
            child<QCheckBox>(screen, u"cbxTemporario"_s)};
}

void save(QWidget* screen)
{
    QTest::mouseClick(child<QToolButton>(screen, u"btnGravar"_s), Qt::LeftButton);
}

class SettingsScreen : public ::testing::Test {
protected:
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);

    void SetUp() override { context.data_folder = dir.path(u"systemtemp/"_s); }
};

} // namespace

TEST_F(SettingsScreen, first_opening_creates_folders_and_fresh_file_and_shows_empty_fields)
{
    Tfrm_Configuracao screen(context);
    EXPECT_TRUE(dir.exists(u"systemtemp/historico_vendas"_s));
    EXPECT_EQ(dir.read(u"systemtemp/config.ini"_s),
              QByteArray("[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=192.168.0.100\r\nID=0\r\nChave=47261\r\n"));
    const Fields f = fields(&screen);
    for (QLineEdit* e : {f.empresa, f.ip, f.id, f.key})
        EXPECT_TRUE(e->text().isEmpty());
    EXPECT_FALSE(f.temporario->isChecked());
    EXPECT_EQ(screen.windowTitle(), u"CONFIGURAÇÃO"_s);
    EXPECT_EQ(f.key->echoMode(), QLineEdit::Normal);

    // Saving at once overwrites the defaults with the empty fields.
    save(&screen);
    EXPECT_EQ(dir.read(u"systemtemp/config.ini"_s),
              QByteArray("[CONFIGURACAO]\r\nEmpresa=\r\nIP=\r\nID=\r\nChave=\r\nTemporario=0\r\n"));
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(SettingsScreen, shows_the_file_and_saves_typed_values_keeping_other_lines)
{
    dir.write(u"systemtemp/config.ini"_s, "[configuracao]\r\nEMPRESA=Acme\r\nip=10.0.0.5\r\nId=12\r\nchave="
                                          "abc\r\nTemporario=7\r\nPedido=10001\r\n");
    {
        Tfrm_Configuracao screen(context);
        const Fields f = fields(&screen);
        EXPECT_EQ(f.empresa->text(), u"Acme"_s);
        EXPECT_EQ(f.ip->text(), u"10.0.0.5"_s);
        EXPECT_EQ(f.id->text(), u"12"_s);
        EXPECT_EQ(f.key->text(), u"abc"_s);
        EXPECT_TRUE(f.temporario->isChecked());

        f.empresa->clear();
        QTest::keyClicks(f.empresa, u" Nova Empresa "_s);
        f.ip->clear();
        QTest::keyClicks(f.ip, u"servidor.empresa.com.br:8211"_s);
        save(&screen);
    }
    EXPECT_EQ(
        dir.read(u"systemtemp/config.ini"_s),
        QByteArray("[configuracao]\r\nEMPRESA= Nova Empresa \r\nip=servidor.empresa.com.br:8211\r\nId=12\r\n"
                   "chave=abc\r\nTemporario=1\r\nPedido=10001\r\n"));
}

TEST_F(SettingsScreen, failed_save_is_reported_and_keeps_what_was_typed)
{
    // The data folder path runs through a plain file, so nothing can be created or written.
    dir.write(u"arquivo"_s, "x");
    context.data_folder = dir.path(u"arquivo/systemtemp/"_s);
    Tfrm_Configuracao screen(context);
    ASSERT_EQ(messages.errors().size(), 1);
    QTest::keyClicks(fields(&screen).empresa, u"Digitado"_s);
    save(&screen);
    EXPECT_EQ(messages.errors().size(), 2);
    EXPECT_EQ(fields(&screen).empresa->text(), u"Digitado"_s);
}

// A settings file edited into binary bytes: the screen says what is wrong and its save writes a
// usable file.
TEST_F(SettingsScreen, repairs_a_damaged_file)
{
    QByteArray garbage(600, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 37) % 256);
    dir.write(u"systemtemp/config.ini"_s, garbage);
    Tfrm_Configuracao screen(context);
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"warning: "_s)) << messages.said[0].toStdString();
    EXPECT_TRUE(messages.said[0].contains(u"config.ini"_s)) << messages.said[0].toStdString();

    const Fields f = fields(&screen);
    QTest::keyClicks(f.empresa, u"Acme"_s);
    QTest::keyClicks(f.ip, u"10.0.0.5"_s);
    QTest::keyClicks(f.id, u"3"_s);
    QTest::keyClicks(f.key, u"47261"_s);
    save(&screen);
    EXPECT_EQ(messages.said.size(), 1) << messages.said.join(u'\n').toStdString();
    EXPECT_EQ(
        dir.read(u"systemtemp/config.ini"_s),
        QByteArray(
            "[CONFIGURACAO]\r\nEmpresa=Acme\r\nIP=10.0.0.5\r\nID=3\r\nChave=47261\r\nTemporario=0\r\n"));
    EXPECT_EQ(dir.read(u"systemtemp/config.ini.danificado"_s), garbage);
    EXPECT_FALSE(Settings(context).damage());
}

TEST_F(SettingsScreen, close_button_closes)
{
    Tfrm_Configuracao screen(context);
    int result = -1;
    const auto watch = when_modal(u"Tfrm_Configuracao"_s, [](QWidget* w) {
        QTest::mouseClick(child<QToolButton>(w, u"btnFechar"_s), Qt::LeftButton);
    });
    result = screen.exec();
    EXPECT_EQ(result, QDialog::Rejected);
}
