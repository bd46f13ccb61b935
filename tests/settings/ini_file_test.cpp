#include "settings/ini_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

IniFile from(const TempFolder& dir, const QByteArray& bytes)
{
    dir.write(u"config.ini"_s, bytes);
    return IniFile::load(dir.path(u"config.ini"_s));
}

} // namespace

TEST(IniFile, reads_keys_whatever_their_letter_case_and_blanks)
{
    TempFolder dir;
    struct Case {
        QByteArray file;
        QString key;
        std::optional<QString> expected;
    } cases[] = {
        {"[CONFIGURACAO]\r\nEmpresa=Teste\r\n", u"EMPRESA"_s, u"Teste"_s},
        {"[configuracao]\r\nempresa=Teste\r\n", u"Empresa"_s, u"Teste"_s},
        {"  [ Configuracao ]  \nCHAVE = 47261  \n", u"Chave"_s, u"47261"_s},
        {"Empresa=Fora\r\n[CONFIGURACAO]\r\nID=3\r\n", u"Empresa"_s, std::nullopt},
        {"[OUTRA]\r\nEmpresa=X\r\n[CONFIGURACAO]\r\nEmpresa=Y\r\n", u"Empresa"_s, u"Y"_s},
        {"[CONFIGURACAO]\r\nlixo sem igual\r\n;Empresa=comentario\r\n=vazio\r\nIP=1.2.3.4", u"IP"_s, u"1.2.3.4"_s},
        {"[CONFIGURACAO]\r\n;Empresa=comentario\r\n", u"Empresa"_s, std::nullopt},
        {"[CONFIGURACAO]\r\nIP=\r\n", u"IP"_s, u""_s},
        {"[CONFIGURACAO]\r\nEmpresa=S\xc3\xa3o Jo\xc3\xa3o\r\n", u"Empresa"_s, u"São João"_s},
        {"[CONFIGURACAO]\r\nEmpresa=S\xe3o\r\n", u"Empresa"_s, u"São"_s},
        {"", u"Empresa"_s, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(from(dir, c.file).value(u"CONFIGURACAO"_s, c.key), c.expected) << c.file.toStdString();
}

TEST(IniFile, write_replaces_in_place_and_keeps_every_other_line)
{
    TempFolder dir;
    struct Case {
        QByteArray before;
        QString key;
        QString value;
        QByteArray after;
    } cases[] = {
        // Replaced where it stands, original spelling of the key kept.
        {"; topo\r\n[configuracao]\r\nPEDIDO=12\r\nIP=x\r\n[OUTRA]\r\nA=1\r\n", u"Pedido"_s, u"13"_s,
         "; topo\r\n[configuracao]\r\nPEDIDO=13\r\nIP=x\r\n[OUTRA]\r\nA=1\r\n"},
        // Added after the last key of the section, before the next section.
        {"[CONFIGURACAO]\r\nIP=x\r\n\r\n[OUTRA]\r\nA=1\r\n", u"Pedido"_s, u"1"_s,
         "[CONFIGURACAO]\r\nIP=x\r\nPedido=1\r\n\r\n[OUTRA]\r\nA=1\r\n"},
        // Section added at the end, even after a last line without a line end.
        {"[OUTRA]\r\nA=1", u"Pedido"_s, u"1"_s, "[OUTRA]\r\nA=1\r\n[CONFIGURACAO]\r\nPedido=1\r\n"},
        {"", u"Empresa"_s, u""_s, "[CONFIGURACAO]\r\nEmpresa=\r\n"},
        // A file with bare line feeds keeps them.
        {"[CONFIGURACAO]\nIP=x\n", u"ID"_s, u"7"_s, "[CONFIGURACAO]\nIP=x\nID=7\n"},
    };
    for (const Case& c : cases) {
        IniFile ini = from(dir, c.before);
        ini.set_value(u"CONFIGURACAO"_s, c.key, c.value);
        ini.save(dir.path(u"config.ini"_s));
        EXPECT_EQ(dir.read(u"config.ini"_s), c.after) << c.before.toStdString();
    }
}
