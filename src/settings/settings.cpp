#include "settings.h"

#include "core/context.h"
#include "core/errors.h"
#include "ini_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = QString::fromLatin1(Settings::section);

std::optional<qint64> strict_integer(const QString& text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return v;
}

} // namespace

Settings::Settings(const Context& context) : path_(context.path(u"config.ini"_s)) {}

bool Settings::exists() const
{
    return QFileInfo(path_).isFile();
}

QString Settings::read_string(const QString& key) const
{
    return IniFile::load(path_).value(kSection, key).value_or(QString());
}

int Settings::read_integer(const QString& key, int fallback) const
{
    if (auto v = strict_integer(read_string(key)))
        return static_cast<int>(*v);
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
    IniFile ini = IniFile::load(path_);
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
    QSaveFile f(path_);
    const QByteArray text = "[CONFIGURACAO]\r\n"
                            "Empresa=Teste\r\n"
                            "IP=192.168.0.100\r\n"
                            "ID=0\r\n"
                            "Chave=47261\r\n";
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit())
        throw FileError(u"Não foi possível criar o arquivo de configuração %1: %2"_s.arg(path_, f.errorString()));
}

ServerSettings read_server_settings(const Settings& settings)
{
    const IniFile ini = IniFile::load(settings.path());
    auto get = [&](const QString& key) { return ini.value(kSection, key).value_or(QString()); };
    return ServerSettings{get(u"Empresa"_s), get(u"Chave"_s), get(u"ID"_s), get(u"IP"_s)};
}

void ensure_history_folder(const Context& context)
{
    if (QFileInfo(context.data_folder).isDir())
        QDir().mkpath(context.path(u"historico_vendas"_s));
}

void create_data_folders(const Context& context)
{
    if (!QDir().mkpath(context.path(u"historico_vendas"_s)))
        throw FileError(u"Não foi possível criar a pasta de dados %1."_s.arg(context.data_folder));
}
