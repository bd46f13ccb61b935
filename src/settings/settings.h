#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

struct Context;
class IniFile;

// The settings file config.ini of the data folder, section CONFIGURACAO. Every read opens the file
// afresh, so a change saved on the settings screen applies to the next reader.
class Settings {
public:
    // A damaged file (binary bytes, no CONFIGURACAO section) raises FileError on every read and
    // write, since what it yields would be taken for settings (an order number reused, a request
    // sent with no company). AsItStands reads it as far as it goes, and write_values then replaces
    // it with a sound file, keeping a copy of it beside: the settings screen repairs it so.
    enum class Damaged { Refuse, AsItStands };
    explicit Settings(const Context& context, Damaged damaged = Damaged::Refuse);

    static constexpr int default_pedido = 9999;

    QString path() const { return path_; }
    bool exists() const;
    // Whether the salesperson has configured the program: the file exists and is not still exactly
    // the one create_fresh() wrote, whose made-up values reach no server.
    bool configured() const;
    // What is wrong with the file, in a sentence naming it, or nullopt when it is sound or missing.
    // The readers' FileError adds where to repair it.
    std::optional<QString> damage() const;
    // Where write_values keeps the damaged file it replaces.
    QString damaged_copy_path() const { return path_ + QStringLiteral(".danificado"); }

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

    // The file as it is read, with the check above.
    IniFile load() const;

private:
    QString path_;
    Damaged damaged_;
};

// What a server call needs of the settings, read in one go.
struct ServerSettings {
    QString empresa;
    QString chave;
    QString id_vendedor;
    QString ip;
    // The PEM file of the certificates an https:// server may be issued by besides the system's
    // store: an absolute path or a name inside the data folder; empty for none.
    QString certificado;
};
ServerSettings read_server_settings(const Settings& settings);

// Creates historico_vendas/ when the data folder exists without it (orders are filed there).
void ensure_history_folder(const Context& context);
// Creates the data folder and historico_vendas/. Raises FileError.
void create_data_folders(const Context& context);
