#pragma once

#include <QList>
#include <QString>

#include <utility>

struct Context;

// The settings file config.ini of the data folder, section CONFIGURACAO. Every read opens the file
// afresh, so a change saved on the settings screen applies to the next reader.
class Settings {
public:
    explicit Settings(const Context& context);

    static constexpr int default_pedido = 9999;

    QString path() const { return path_; }
    bool exists() const;

    // Missing keys read as the empty text, 9999 for Pedido and false for booleans; a value that is
    // not a decimal integer reads as the default.
    QString read_string(const QString& key) const;
    int read_integer(const QString& key, int fallback) const;
    bool read_bool(const QString& key, bool fallback) const;
    int read_pedido() const { return read_integer(QStringLiteral("Pedido"), default_pedido); }

    void write_string(const QString& key, const QString& value) const;
    // Several keys in the given order, with one atomic replacement of the file.
    void write_values(const QList<std::pair<QString, QString>>& values) const;
    void write_integer(const QString& key, int value) const;

    // Creates the five-line file a first start writes: section, Empresa, IP, ID and Chave.
    void create_fresh() const;

    static constexpr auto section = "CONFIGURACAO";

private:
    QString path_;
};

// What a server call needs of the settings, read in one go.
struct ServerSettings {
    QString empresa;
    QString chave;
    QString id_vendedor;
    QString ip;
};
ServerSettings read_server_settings(const Settings& settings);

// Creates historico_vendas/ when the data folder exists without it (orders are filed there).
void ensure_history_folder(const Context& context);
// Creates the data folder and historico_vendas/. Raises FileError.
void create_data_folders(const Context& context);
