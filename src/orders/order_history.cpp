#include "order_history.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "orders/order_request.h"
#include "server/json_parse.h"
#include "settings/ansi.h"
#include "store/catalogue_lookup.h"
#include "store/dm_dados.h"
#include "store/table.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// A copy is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxCopy = qint64{16} << 20;

// A string's characters or a number's digits; empty for anything else.
QString text_of(const JsonValue* value)
{
    if (!value || !(value->is_string() || value->is_number())) return {};
    return qs(value->text());
}

QString text_or_empty_for_null(const JsonValue* value)
{
    const QString text = text_of(value);
    return text == u"NULL"_s ? QString() : text;
}

std::optional<Money> number_of(const JsonValue* value)
{
    return ler_numero(text_of(value));
}

// DD/MM/YYYY with whatever date separator the saving machine had.
QDate date_of(const JsonValue* value)
{
    static const QRegularExpression pattern(u"^\\s*(\\d{1,2})[^\\d](\\d{1,2})[^\\d](\\d{4})\\s*$"_s);
    const QRegularExpressionMatch m = pattern.match(text_of(value));
    if (!m.hasMatch()) return {};
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    // Day zero of the date system is what an empty delivery date was sent as.
    return date == dia_zero() ? QDate() : date;
}

[[noreturn]] void damaged(const QString& shown)
{
    throw FileError(u"A cópia do pedido "_s + shown + u" está danificada e não pode ser lida."_s);
}

OrderCopy read_order(const Context& context, const OrderKey& key, JsonParser& parser)
{
    QString path = caminho_pedido(context, key, u".json"_s);
    // A pending order keeps its request beside the copy, in the same shape.
    if (!QFile::exists(path)) {
        const QString pending = caminho_pedido(context, key, u".pendente"_s);
        if (QFile::exists(pending)) path = pending;
    }
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.exists())
        throw FileError(u"A cópia do pedido "_s + key.pedido + u" não foi encontrada: "_s + shown);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler a cópia do pedido "_s + shown + u": "_s + file_cause(file));
    if (file.size() > kMaxCopy)
        throw FileError(u"A cópia do pedido "_s + shown + u" é grande demais para ser um pedido."_s);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(u"Não foi possível ler a cópia do pedido "_s + shown + u": "_s + file_cause(file));
    return ler_copia(bytes, key, shown, parser);
}

} // namespace

std::optional<Money> ler_numero(QStringView text)
{
    QString t = text.trimmed().toString();
    const qsizetype comma = t.lastIndexOf(u','), dot = t.lastIndexOf(u'.');
    if (comma >= 0 && dot >= 0) {
        t.remove(comma > dot ? u'.' : u',');
        t.replace(u',', u'.');
    } else {
        t.replace(u',', u'.');
    }
    static const QRegularExpression pattern(u"^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"_s);
    if (!pattern.match(t).hasMatch()) return std::nullopt;
    return Money::parse(t, u'.');
}

OrderCopy ler_copia(QByteArrayView bytes, const OrderKey& key, const QString& shown, JsonParser& parser)
{
    std::optional<JsonValue> request;
    try {
        request = parser.parse(utf8(decode_marked_text(bytes)));
    } catch (const ProtocolError&) {
        damaged(shown);
    }
    const JsonValue* venda = request && request->is_object() ? request->find("VENDA0") : nullptr;
    if (!venda || !venda->is_object()) damaged(shown);

    OrderCopy copy;
    copy.pedido = key.pedido;
    copy.dia = key.dia;
    copy.empresa = text_of(venda->find("EMPRESA"));
    if (copy.empresa.isEmpty()) {
        const JsonValue* requisicao = request->find("REQUISICAO");
        if (requisicao && requisicao->is_object()) copy.empresa = text_of(requisicao->find("EMPRESA"));
    }
    copy.vendedor = text_of(venda->find("VEN_ID")).trimmed();
    copy.cli_id = text_of(venda->find("CLI_ID")).trimmed();
    copy.pagamento = text_or_empty_for_null(venda->find("VEN_PAGAMENTO"));
    copy.entrega = date_of(venda->find("VEN_DTA_ENTREGA"));
    copy.observacao = text_or_empty_for_null(venda->find("VEN_OBSERVACAO"));
    copy.tot_mercadoria = number_of(venda->find("VEN_TOT_MERCADORIA"));
    copy.tot_nota = number_of(venda->find("VEN_TOT_NOTA"));

    if (const JsonValue* itens = venda->find("ITENS_VENDA"); itens && itens->is_array()) {
        for (std::size_t i = 0; i < itens->size(); ++i) {
            const JsonValue& item = itens->at(i);
            if (!item.is_object()) continue;
            OrderItemCopy out;
            out.pro_id = text_of(item.find("PRO_ID")).trimmed();
            out.quantidade = number_of(item.find("IVEN_QTD_PRODUTO"));
            out.preco = number_of(item.find("IVEN_VLR_PRODUTO"));
            if (out.quantidade && out.preco) out.valor = *out.quantidade * *out.preco;
            copy.itens << out;
        }
    }
    if (const JsonValue* financeiro = venda->find("FINANCEIRO"); financeiro && financeiro->is_array()) {
        for (std::size_t i = 0; i < financeiro->size(); ++i) {
            const QString parcela = text_of(financeiro->at(i).find("CRE_PARCELA")).trimmed();
            if (!parcela.isEmpty()) copy.parcelas << parcela;
        }
    }
    return copy;
}

OrderCopy ler_copia(QByteArrayView bytes, const OrderKey& key, const QString& shown)
{
    JsonParser parser;
    return ler_copia(bytes, key, shown, parser);
}

OrderCopy ler_copia_pedido(const Context& context, const OrderKey& key)
{
    JsonParser parser;
    return read_order(context, key, parser);
}

QList<OrderListRow> linhas_pedidos(const Context& context, TdmDados& dados)
{
    const QList<OrderEntry> entries = listar_pedidos(context);
    QList<OrderListRow> rows;
    rows.reserve(entries.size());
    JsonParser parser;
    CatalogueLookup clientes(dados.tblCliente, u"cli_id"_s);
    const int razao = dados.tblCliente.field_index(u"cli_razao");
    // listar_pedidos gives the oldest first.
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        OrderListRow row;
        row.key = it->key;
        row.pedido = it->key.pedido;
        row.data = context.regional.format_date(it->key.dia, u"dd/MM/yyyy"_s);
        row.situacao = texto_situacao(it->situacao);
        std::optional<OrderCopy> copy;
        try {
            copy = read_order(context, it->key, parser);
        } catch (const FileError&) {
            // Listed all the same, so that the salesperson sees the order is there.
        }
        if (copy) {
            row.cliente = copy->cli_id;
            if (clientes.find(copy->cli_id)) {
                const QString name = dados.tblCliente.as_text(razao);
                if (!name.isEmpty()) row.cliente += u" - "_s + name;
            }
            if (copy->tot_mercadoria) row.total = context.regional.format_money(*copy->tot_mercadoria, 2);
        }
        rows << row;
    }
    return rows;
}
