#include "settings/ansi.h"
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

QByteArray utf16(const QString& text, bool big_endian)
{
    QByteArray b = big_endian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char hi = static_cast<char>(c.unicode() >> 8), lo = static_cast<char>(c.unicode() & 0xFF);
        b.append(big_endian ? hi : lo).append(big_endian ? lo : hi);
    }
    return b;
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
        {"[CONFIGURACAO]\r\nlixo sem igual\r\n;Empresa=comentario\r\n=vazio\r\nIP=1.2.3.4", u"IP"_s,
         u"1.2.3.4"_s},
        {"[CONFIGURACAO]\r\n;Empresa=comentario\r\n", u"Empresa"_s, std::nullopt},
        {"[CONFIGURACAO]\r\nIP=\r\n", u"IP"_s, u""_s},
        {"[CONFIGURACAO]\r\nEmpresa=S\xc3\xa3o Jo\xc3\xa3o\r\n", u"Empresa"_s, u"São João"_s},
        {"[CONFIGURACAO]\r\nEmpresa=S\xe3o\r\n", u"Empresa"_s, u"São"_s},
        // Not UTF-8: Windows-1252, whose bytes 0x80 to 0x9F are letters and signs, not controls.
        {"[CONFIGURACAO]\r\nEmpresa=\x93S\xe3o\x94 \x80 \x8a\x9c\r\n", u"Empresa"_s, u"“São” € Šœ"_s},
        {"\xEF\xBB\xBF[CONFIGURACAO]\r\nEmpresa=S\xe3o\r\n", u"Empresa"_s, u"São"_s},
        {utf16(u"[CONFIGURACAO]\r\nEmpresa=São €\r\n"_s, false), u"Empresa"_s, u"São €"_s},
        {utf16(u"[CONFIGURACAO]\r\nEmpresa=São €\r\n"_s, true), u"Empresa"_s, u"São €"_s},
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

// Only the written line changes: the file keeps its encoding and mark, and every other line its
// bytes. Saving the order counter used to turn a Windows-1252 file into UTF-8.
TEST(IniFile, write_keeps_the_encoding_and_the_bytes_of_every_other_line)
{
    TempFolder dir;
    const QString text =
        u"; coment\u00E1rio \u201Cmanual\u201D\r\n[CONFIGURACAO]\r\nEmpresa=S\u00E3o Jo\u00E3o \u20AC\r\n"
        u"Pedido=41\r\n"_s;
    const QString after =
        u"; coment\u00E1rio \u201Cmanual\u201D\r\n[CONFIGURACAO]\r\nEmpresa=S\u00E3o Jo\u00E3o \u20AC\r\n"
        u"Pedido=42\r\n"_s;
    struct Case {
        QByteArray before;
        QByteArray after;
        IniFile::Encoding encoding;
    } cases[] = {
        {encode_ansi(text), encode_ansi(after), IniFile::Encoding::Ansi},
        {text.toUtf8(), after.toUtf8(), IniFile::Encoding::Utf8},
        {"\xEF\xBB\xBF" + text.toUtf8(), "\xEF\xBB\xBF" + after.toUtf8(), IniFile::Encoding::Utf8},
        {"\xEF\xBB\xBF" + encode_ansi(text), "\xEF\xBB\xBF" + encode_ansi(after), IniFile::Encoding::Ansi},
        {utf16(text, false), utf16(after, false), IniFile::Encoding::Utf16LE},
        {utf16(text, true), utf16(after, true), IniFile::Encoding::Utf16BE},
    };
    for (const Case& c : cases) {
        IniFile ini = from(dir, c.before);
        EXPECT_EQ(ini.encoding(), c.encoding) << c.before.toStdString();
        EXPECT_EQ(ini.bytes(), c.before) << c.before.toStdString();
        ini.set_value(u"CONFIGURACAO"_s, u"Pedido"_s, u"42"_s);
        ini.save(dir.path(u"config.ini"_s));
        EXPECT_EQ(dir.read(u"config.ini"_s), c.after) << c.before.toStdString();
    }

    // The written value in the file's code page; one the code page lacks takes the file to UTF-8.
    IniFile ansi = from(dir, encode_ansi(text));
    ansi.set_value(u"CONFIGURACAO"_s, u"Empresa"_s, u"P\u00E3o \u20AC"_s);
    EXPECT_EQ(ansi.bytes(), encode_ansi(text).replace("S\xE3o Jo\xE3o \x80", "P\xE3o \x80"));
    ansi.set_value(u"CONFIGURACAO"_s, u"Empresa"_s, u"\u6771"_s);
    EXPECT_EQ(ansi.bytes(),
              "\xEF\xBB\xBF" + QString(text).replace(u"S\u00E3o Jo\u00E3o \u20AC"_s, u"\u6771"_s).toUtf8());
}

// Whatever the bytes, a file read and written untouched comes back the same.
TEST(IniFile, any_bytes_come_back_unchanged)
{
    const QByteArray cases[] = {
        QByteArray("\x00\x01\xFF\xFE\x80\x81\x8D\x8F\x90\x9D\r\r\n\n", 14),
        "\xFF\xFE[\x00",
        "\xFE\xFF\xD8\x00",
        "\xEF\xBB\xBF\xEF\xBB\xBFx",
        "\xC0\xAF\xED\xA0\x80",
        "",
    };
    for (const QByteArray& c : cases)
        EXPECT_EQ(IniFile::from_bytes(c).bytes(), c) << c.toHex().toStdString();
}

TEST(IniFile, tells_what_makes_a_file_unusable)
{
    struct Case {
        QByteArray file;
        QString says; // empty: sound
    } cases[] = {
        {"[CONFIGURACAO]\r\nEmpresa=Teste\r\nlixo sem igual\r\n", {}},
        {"; s\xF3 coment\xE1rio\r\n[configuracao]\r\n", {}},
        {"[CONFIGURACAO]\r\nEmpresa=a\tb\r\n", {}},
        {"", u"falta a seção [CONFIGURACAO]"_s},
        {"Empresa=Teste\r\nIP=1.2.3.4\r\n", u"falta a seção [CONFIGURACAO]"_s},
        {"[OUTRA]\r\n", u"falta a seção [CONFIGURACAO]"_s},
        {QByteArray("[CONFIGURACAO]\r\nEmpresa=Te\0ste\r\n", 32), u"a linha 2 tem caracteres de controle"_s},
        {"\x7F"
         "ELF\x02\x01\x01",
         u"a linha 1 tem caracteres de controle"_s},
        {"[CONFIGURACAO]\r\nEmpresa=\x81\r\n", u"a linha 2 tem caracteres de controle"_s},
        // UTF-16 without its mark reads as bytes with zeros between them.
        {utf16(u"[CONFIGURACAO]\r\n"_s, false).mid(2), u"a linha 1 tem caracteres de controle"_s},
        // A UTF-16 mark before what is no UTF-16 text: written back, it would be read as UTF-16.
        {"\xFF\xFE[CONFIGURACAO]\r\nEmpresa=Teste\r\n", u"o arquivo começa com a marca de texto UTF-16"_s},
    };
    for (const Case& c : cases) {
        const std::optional<QString> damage = IniFile::from_bytes(c.file).damage(u"CONFIGURACAO"_s);
        if (c.says.isEmpty())
            EXPECT_FALSE(damage) << c.file.toStdString();
        else
            EXPECT_TRUE(damage && damage->startsWith(c.says))
                << c.file.toStdString() << " : " << damage.value_or(u"<none>"_s).toStdString();
    }
}
