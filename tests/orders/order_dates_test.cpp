#include "core/regional.h"
#include "orders/order_dates.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(DueDates, terms_follow_the_request_and_the_total_splits_in_whole_cents)
{
    const struct {
        std::array<double, 8> parcelas;
        const char16_t* total;
        QStringList lines;
    } cases[] = {
        {{0, 30, 0, 60},
         u"17,60",
         {u"1/3 01/03/2026 R$ 5,88"_s, u"2/3 31/03/2026 R$ 5,86"_s, u"3/3 30/04/2026 R$ 5,86"_s}},
        {{28, 56}, u"100", {u"1/2 29/03/2026 R$ 50,00"_s, u"2/2 26/04/2026 R$ 50,00"_s}},
        // The first term counts from 0; a negative first term and zero later terms are left out.
        {{-1, 0, 15}, u"0,01", {u"1/1 16/03/2026 R$ 0,01"_s}},
        {{0, 10, 20},
         u"0,02",
         {u"1/3 01/03/2026 R$ 0,02"_s, u"2/3 11/03/2026 R$ 0,00"_s, u"3/3 21/03/2026 R$ 0,00"_s}},
        // Cents of a total with more decimals are rounded first, a half away from zero.
        {{0, 30}, u"10,005", {u"1/2 01/03/2026 R$ 5,01"_s, u"2/2 31/03/2026 R$ 5,00"_s}},
        {{-1, 0}, u"50", {}},
    };
    const Regional regional = Regional::brazil();
    for (const auto& c : cases) {
        const Money total = *Money::parse(QStringView(c.total), u',');
        const QList<Vencimento> v = vencimentos(prazos_pedido(c.parcelas), QDate(2026, 3, 1), total);
        EXPECT_EQ(linhas_vencimentos(v, regional), c.lines) << QString::fromUtf16(c.total).toStdString();
        Money sum;
        for (const Vencimento& each : v)
            sum += each.valor;
        if (!v.isEmpty()) {
            EXPECT_EQ(sum, total.rounded(2));
        }
    }
}
