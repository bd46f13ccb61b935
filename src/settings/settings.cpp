#include "settings.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/private_files.h"
#include "core/replace_file.h"
#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The file a first start writes, before the salesperson has saved anything.
constexpr char kFresh[] = "[CONFIGURACAO]\r\n"
                          "Empresa=Teste\r\n"
                          "IP=192.168.0.100\r\n"
                          "ID=0\r\n"
                          "Chave=47261\r\n";

const QString kSection = QString::fromLatin1(Settings::section);

std::optional<qint64> strict_integer(const QString& text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || v < INT_MIN || v > INT_MAX) return std::nullopt;
    return v;
}

QString damage_text(const QString& path, const QString& what)
{
    return u"O arquivo de configuração %1 está danificado: %2."_s.arg(QDir::toNativeSeparators(path), what);
}

} // namespace

Settings::Settings(const Context& context, Damaged damaged)
    : path_(context.path(u"config.ini"_s)), damaged_(damaged)
{
}

bool Settings::exists() const
{
    return QFileInfo(path_).isFile();
}

bool Settings::configured() const
{
    if (!exists()) return false;
    QFile file(path_);
    // One byte more than the fresh file tells them apart; an unreadable file counts as configured,
    // and reading it says what is wrong.
    if (!file.open(QIODevice::ReadOnly)) return true;
    return file.read(sizeof(kFresh)) != QByteArrayView(kFresh);
}

std::optional<QString> Settings::damage() const
{
    if (!exists()) return std::nullopt;
    if (auto what = IniFile::load(path_).damage(kSection)) return damage_text(path_, *what);
    return std::nullopt;
}

IniFile Settings::load() const
{
    IniFile ini = IniFile::load(path_);
    if (damaged_ == Damaged::Refuse && exists()) {
        if (auto what = ini.damage(kSection))
            throw FileError(damage_text(path_, *what) +
                            u" Abra a tela de configuração e grave os dados para corrigi-lo."_s);
    }
    return ini;
}

QString Settings::read_string(const QString& key) const
{
    return load().value(kSection, key).value_or(QString());
}

int Settings::read_integer(const QString& key, int fallback) const
{
    if (auto v = strict_integer(read_string(key))) return static_cast<int>(*v);
    return fallback;
}

bool Settings::read_bool(const QString& key, bool fallback) const
{
    return read_integer(key, fallback ? 1 : 0) != 0;
}

void Settings::write_string(const QString& key, const QString& value) const
{
    write_values({{key, value}});
}

void Settings::write_values(const QList<std::pair<QString, QString>>& values) const
{
    IniFile ini = load();
    if (exists() && ini.damage(kSection)) {
        // A fresh file with these values, and the order counter when it can still be read.
        const std::optional<qint64> pedido =
            strict_integer(ini.value(kSection, u"Pedido"_s).value_or(QString()));
        IniFile fresh;
        for (const auto& [key, value] : values)
            fresh.set_value(kSection, key, value);
        if (pedido && !std::any_of(values.cbegin(), values.cend(), [](const auto& v) {
                return v.first.compare(u"Pedido"_s, Qt::CaseInsensitive) == 0;
            }))
            fresh.set_value(kSection, u"Pedido"_s, QString::number(*pedido));
        QFile::remove(damaged_copy_path());
        if (!QFile::copy(path_, damaged_copy_path()))
            throw FileError(
                u"Não foi possível guardar uma cópia do arquivo de configuração danificado em %1."_s.arg(
                    QDir::toNativeSeparators(damaged_copy_path())));
        fresh.save(path_);
        return;
    }
    for (const auto& [key, value] : values)
        ini.set_value(kSection, key, value);
    ini.save(path_);
}

void Settings::write_integer(const QString& key, int value) const
{
    write_string(key, QString::number(value));
}

void Settings::create_fresh() const
{
    replace_file(path_, QByteArrayView(kFresh),
                 u"Não foi possível criar o arquivo de configuração %1"_s.arg(path_));
}

ServerSettings read_server_settings(const Settings& settings)
{
    const IniFile ini = settings.load();
    auto get = [&](const QString& key) { return ini.value(kSection, key).value_or(QString()); };
    return ServerSettings{get(u"Empresa"_s), get(u"Chave"_s), get(u"ID"_s), get(u"IP"_s),
                          get(u"Certificado"_s)};
}

void ensure_history_folder(const Context& context)
{
    if (QFileInfo(context.data_folder).isDir()) make_private_folder(context.path(u"historico_vendas"_s));
}

void create_data_folders(const Context& context)
{
    if (!make_private_folder(context.data_folder) ||
        !make_private_folder(context.path(u"historico_vendas"_s)))
        throw FileError(u"Não foi possível criar a pasta de dados %1."_s.arg(context.data_folder));
}
