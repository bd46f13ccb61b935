#include "pending_orders.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/replace_file.h"
#include "server/json_parse.h"
#include "server/json_write.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kFolder = u"historico_vendas"_s;
const QString kCopy = u".json"_s;
const QString kPending = u".pendente"_s;
const QString kSending = u".enviando"_s;

// A request kept for later is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxPending = qint64{16} << 20;

void remove_file(const QString& path)
{
    QFile file(path);
    if (file.exists() && !file.remove())
        throw FileError(u"Não foi possível apagar o arquivo "_s + QDir::toNativeSeparators(path) + u": "_s +
                        file_cause(file));
}

bool older(const OrderKey& a, const OrderKey& b)
{
    if (a.dia != b.dia) return a.dia < b.dia;
    // Numbers compare as numbers: 9999 comes before 10000.
    const qint64 x = a.pedido.toLongLong(), y = b.pedido.toLongLong();
    return x != y ? x < y : a.pedido < b.pedido;
}

} // namespace

QString texto_situacao(Situacao situacao)
{
    switch (situacao) {
    case Situacao::Pendente:
        return u"PENDENTE"_s;
    case Situacao::NaoEnviado:
        return u"NÃO ENVIADO"_s;
    case Situacao::Enviado:
        break;
    }
    return u"ENVIADO"_s;
}

QString caminho_pedido(const Context& context, const OrderKey& key, const QString& extension)
{
    QString relative = stem_pedido(key) + extension;
    relative.replace(u'\\', u'/');
    return context.path(relative);
}

QString stem_pedido(const OrderKey& key)
{
    return kFolder + u"\\venda_"_s + key.pedido + u'_' + key.dia.toString(u"ddMMyy"_s);
}

std::optional<OrderKey> key_from_file_name(const QString& file_name)
{
    static const QRegularExpression pattern(
        u"^venda_(-?[0-9]{1,18})_([0-9]{2})([0-9]{2})([0-9]{2})\\.[a-z]+$"_s);
    const QRegularExpressionMatch m = pattern.match(file_name);
    if (!m.hasMatch()) return std::nullopt;
    // DDMMYY: the two-digit year is of this century.
    const QDate dia(2000 + m.captured(4).toInt(), m.captured(3).toInt(), m.captured(2).toInt());
    if (!dia.isValid()) return std::nullopt;
    return OrderKey{m.captured(1), dia};
}

QList<OrderEntry> listar_pedidos(const Context& context)
{
    const QDir folder(context.path(kFolder));
    QHash<QString, OrderEntry> entries; // by stem
    QList<QString> sending;
    const QStringList names =
        folder.entryList({u"venda_*"_s}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString& name : names) {
        const std::optional<OrderKey> key = key_from_file_name(name);
        if (!key) continue;
        const QString extension = name.mid(name.lastIndexOf(u'.'));
        const QString stem = stem_pedido(*key);
        if (extension == kSending) {
            sending << stem;
            continue;
        }
        if (extension != kCopy && extension != kPending) continue;
        OrderEntry& entry = entries[stem];
        entry.key = *key;
        if (extension == kCopy) entry.has_copy = true;
        if (extension == kPending) entry.situacao = Situacao::Pendente;
    }
    for (const QString& stem : sending) {
        const auto it = entries.find(stem);
        if (it != entries.end() && it->situacao == Situacao::Enviado) it->situacao = Situacao::NaoEnviado;
    }
    QList<OrderEntry> out = entries.values();
    std::sort(out.begin(), out.end(),
              [](const OrderEntry& a, const OrderEntry& b) { return older(a.key, b.key); });
    return out;
}

QList<OrderKey> pedidos_pendentes(const Context& context)
{
    QList<OrderKey> out;
    for (const OrderEntry& entry : listar_pedidos(context))
        if (entry.situacao == Situacao::Pendente) out << entry.key;
    return out;
}

void marcar_enviando(const Context& context, const OrderKey& key)
{
    const QString path = caminho_pedido(context, key, kSending);
    replace_file(path, QByteArrayView(),
                 u"Não foi possível gravar o arquivo "_s + QDir::toNativeSeparators(path));
}

void envio_concluido(const Context& context, const OrderKey& key)
{
    remove_file(caminho_pedido(context, key, kSending));
}

void guardar_pendente(const Context& context, const OrderKey& key, const JsonValue& request)
{
    const QString path = caminho_pedido(context, key, kPending);
    const std::string text = to_json(request) + "\r\n";
    replace_file(path, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())),
                 u"Não foi possível guardar o pedido em "_s + QDir::toNativeSeparators(path));
    // Kept: no longer a post that never came back.
    remove_file(caminho_pedido(context, key, kSending));
}

JsonValue ler_pendente(const Context& context, const OrderKey& key)
{
    const QString path = caminho_pedido(context, key, kPending);
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler o pedido guardado "_s + shown + u": "_s + file_cause(file));
    if (file.size() > kMaxPending)
        throw FileError(u"O pedido guardado "_s + shown + u" é grande demais para ser um pedido."_s);
    const QByteArray bytes = file.readAll();
    std::optional<JsonValue> request;
    try {
        request = parse_json(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const ProtocolError&) {
        request.reset();
    }
    const JsonValue* venda = request && request->is_object() ? request->find("VENDA0") : nullptr;
    if (!venda || !venda->is_object() || !request->find("REQUISICAO"))
        throw FileError(u"O pedido guardado "_s + shown + u" está danificado e não pode ser enviado."_s);
    return std::move(*request);
}

void pendente_enviado(const Context& context, const OrderKey& key)
{
    remove_file(caminho_pedido(context, key, kPending));
    remove_file(caminho_pedido(context, key, kSending));
}
