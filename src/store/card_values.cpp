#include "card_values.h"

#include "store/table.h"

using namespace Qt::StringLiterals;

namespace {

QString amount(const Table& table, QStringView field)
{
    return table.regional().format_money(table.as_money(field), 2);
}

} // namespace

CardValues client_card_values(const Table& t)
{
    CardValues values = {
        {u"edtCodigo"_s, QString::number(t.as_integer(u"cli_id"))},
        {u"edtRazao"_s, t.as_text(u"cli_razao")},
        {u"edtFantasia"_s, t.as_text(u"cli_fantasia")},
        {u"edtCNPJ_CPF"_s, t.as_text(u"cli_cnpj_cpf")},
        {u"edtFone"_s, t.as_text(u"cli_telefone")},
        {u"edtRua"_s, t.as_text(u"cli_end_rua")},
        {u"edtNumero"_s, t.as_text(u"cli_end_numero")},
        {u"edtCompl"_s, t.as_text(u"cli_end_complemento")},
        {u"edtBairro"_s, t.as_text(u"cli_end_bairro")},
        {u"edtCEP"_s, t.as_text(u"cli_end_cep")},
        {u"edtCidade"_s, t.as_text(u"cli_end_cidade")},
        {u"edtUF"_s, t.as_text(u"cli_end_estado")},
        {u"edtPagamento"_s, t.as_text(u"cli_pagamento")},
    };
    for (int i = 1; i <= 8; ++i)
        values.append({u"edtParc"_s + QString::number(i),
                       QString::number(t.as_integer(QString(u"cli_parcela"_s + QString::number(i))))});
    values.append({u"edtVlrCredito"_s, amount(t, u"cli_vlr_credito")});
    values.append({u"edtLimiteCredito"_s, amount(t, u"cli_limite_credito")});
    return values;
}

CardValues product_card_values(const Table& t)
{
    return {
        {u"edtCodigo"_s, QString::number(t.as_integer(u"pro_id"))},
        {u"edtProduto"_s, t.as_text(u"pro_descricao")},
        {u"edtEmbalagem"_s, t.as_text(u"emb_unidade")},
        {u"edtMarca"_s, t.as_text(u"mar_descricao")},
        {u"edtGrupo"_s, t.as_text(u"gru_descricao")},
        {u"edtSubgrupo"_s, t.as_text(u"sub_descricao")},
        {u"edtVlrVenda"_s, amount(t, u"pro_vlr_venda")},
        {u"edtQtdEstoque"_s, amount(t, u"pro_qtd_estoque")},
    };
}
