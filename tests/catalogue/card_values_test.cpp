#include "core/errors.h"
#include "store/card_values.h"
#include "store/dm_dados.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString value_of(const CardValues& values, const QString& edit)
{
    for (const auto& [name, text] : values)
        if (name == edit) return text;
    return u"<missing>"_s;
}

} // namespace

TEST(CardValues, client_amounts_show_two_decimals_and_unreadable_ones_raise)
{
    TdmDados dados(Regional::brazil());
    Table& t = dados.tblCliente;
    const struct {
        QString credito, limite, shown_credito, shown_limite;
        bool raises;
    } cases[] = {
        {u"1500"_s, u"0"_s, u"1500,00"_s, u"0,00"_s, false},
        {u"7,5"_s, u"12,345"_s, u"7,50"_s, u"12,35"_s, false},
        {u"NULL"_s, u"0"_s, {}, {}, true},
        {u"1500.50"_s, u"0"_s, {}, {}, true},
        {u"0"_s, u"NULL"_s, {}, {}, true},
    };
    for (const auto& c : cases) {
        t.empty();
        t.append();
        t.set_integer(u"cli_id", 42);
        t.set_text(u"cli_razao", u"MERCADO BOM PRECO LTDA"_s);
        t.set_text(u"cli_end_estado", u"SP"_s);
        t.set_integer(u"cli_parcela2", 30);
        t.set_text(u"cli_vlr_credito", c.credito);
        t.set_text(u"cli_limite_credito", c.limite);
        t.post();
        if (c.raises) {
            EXPECT_THROW(client_card_values(t), ConversionError) << c.credito.toStdString();
            continue;
        }
        const CardValues values = client_card_values(t);
        EXPECT_EQ(value_of(values, u"edtVlrCredito"_s), c.shown_credito);
        EXPECT_EQ(value_of(values, u"edtLimiteCredito"_s), c.shown_limite);
        EXPECT_EQ(value_of(values, u"edtCodigo"_s), u"42"_s);
        EXPECT_EQ(value_of(values, u"edtRazao"_s), u"MERCADO BOM PRECO LTDA"_s);
        EXPECT_EQ(value_of(values, u"edtUF"_s), u"SP"_s);
        EXPECT_EQ(value_of(values, u"edtParc1"_s), u"0"_s);
        EXPECT_EQ(value_of(values, u"edtParc2"_s), u"30"_s);
        EXPECT_EQ(value_of(values, u"edtIE"_s), u"<missing>"_s);
    }
}
