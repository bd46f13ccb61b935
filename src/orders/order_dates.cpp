#include "order_dates.h"

#include "core/regional.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QList<int> prazos_pedido(const std::array<double, 8>& parcelas)
{
    QList<int> out;
    for (std::size_t i = 0; i < parcelas.size(); ++i) {
        const double parcela = parcelas[i];
        if (i == 0 ? parcela < 0 : parcela <= 0) continue;
        // Whole days, rounded as the "0" format rounds them.
        out << QString::number(std::min(parcela, 1e6), 'f', 0).toInt();
    }
    return out;
}

QList<Vencimento> vencimentos(const QList<int>& prazos, const QDate& base, Money total)
{
    QList<Vencimento> out;
    if (prazos.isEmpty()) return out;
    const auto n = static_cast<std::int64_t>(prazos.size());
    const std::int64_t cents = total.cents();
    const std::int64_t each = cents / n;
    for (qsizetype k = 0; k < prazos.size(); ++k) {
        const std::int64_t share = k == 0 ? cents - each * (n - 1) : each;
        out.append({base.addDays(prazos[k]), Money::from_cents(share)});
    }
    return out;
}

QStringList linhas_vencimentos(const QList<Vencimento>& vencimentos, const Regional& regional)
{
    QStringList out;
    const QString n = QString::number(vencimentos.size());
    for (qsizetype k = 0; k < vencimentos.size(); ++k) {
        const Vencimento& v = vencimentos[k];
        out << QString::number(k + 1) + u'/' + n + u' ' + regional.format_date(v.data, u"dd/MM/yyyy"_s) +
                   u" R$ "_s + v.valor.format(2, regional.decimal_separator);
    }
    return out;
}
