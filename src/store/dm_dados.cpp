#include "dm_dados.h"

using namespace Qt::StringLiterals;

namespace {

TdmDados* instance = nullptr;

FieldDef integer(const QString& name)
{
    return {name, FieldType::Integer, 0};
}

FieldDef text(const QString& name, int size)
{
    return {name, FieldType::String, size};
}

FieldDef real(const QString& name)
{
    return {name, FieldType::Float, 0};
}

FieldDef money(const QString& name)
{
    return {name, FieldType::Currency, 0};
}

FieldDef date(const QString& name)
{
    return {name, FieldType::Date, 0};
}

// name1 .. name8
void numbered(std::vector<FieldDef>& fields, const QString& prefix)
{
    for (int i = 1; i <= 8; ++i)
        fields.push_back(integer(prefix + QString::number(i)));
}

std::vector<FieldDef> cliente()
{
    std::vector<FieldDef> f = {
        integer(u"cli_id"_s),           text(u"cli_razao"_s, 100),          text(u"cli_fantasia"_s, 100),
        text(u"cli_cnpj_cpf"_s, 30),    text(u"cli_telefone"_s, 20),        text(u"cli_end_rua"_s, 100),
        text(u"cli_end_numero"_s, 10),  text(u"cli_end_complemento"_s, 50), text(u"cli_end_bairro"_s, 50),
        text(u"cli_end_cidade"_s, 100), text(u"cli_end_estado"_s, 5),       text(u"cli_end_cep"_s, 20),
        text(u"cli_pagamento"_s, 50),
    };
    numbered(f, u"cli_parcela"_s);
    f.push_back(text(u"cli_vlr_credito"_s, 20));
    f.push_back(integer(u"tab_id"_s));
    f.push_back(text(u"cli_limite_credito"_s, 10));
    return f;
}

std::vector<FieldDef> produto()
{
    return {
        integer(u"pro_id"_s),         text(u"pro_descricao"_s, 150),  text(u"pro_vlr_venda"_s, 100),
        text(u"pro_vlr_custo"_s, 20), text(u"pro_qtd_estoque"_s, 20), text(u"emb_unidade"_s, 10),
        text(u"mar_descricao"_s, 20), text(u"gru_descricao"_s, 20),   text(u"sub_descricao"_s, 20),
        text(u"pro_imagem"_s, 200),   text(u"pro_control_flex"_s, 1),
    };
}

std::vector<FieldDef> tabela()
{
    return {integer(u"tab_id"_s), text(u"tab_descricao"_s, 50)};
}

std::vector<FieldDef> tab_prod()
{
    return {integer(u"tab_id"_s), integer(u"pro_id"_s), integer(u"tap_id"_s), text(u"tap_vlr_venda"_s, 20)};
}

std::vector<FieldDef> venda()
{
    std::vector<FieldDef> f = {integer(u"ven_pedido"_s), integer(u"cli_id"_s), text(u"ven_pagamento"_s, 50)};
    numbered(f, u"ven_parc"_s);
    for (FieldDef field :
         {date(u"ven_dta_cadastro"_s), date(u"ven_dta_entrega"_s), real(u"ven_tot_frete"_s),
          real(u"ven_tot_mercadoria"_s), real(u"ven_tot_nota"_s), text(u"ven_observacao"_s, 100),
          text(u"ven_status"_s, 30), integer(u"tab_id"_s), text(u"empresa"_s, 50)})
        f.push_back(std::move(field));
    return f;
}

std::vector<FieldDef> item_venda()
{
    return {
        integer(u"ven_pedido"_s),      integer(u"pro_id"_s),        integer(u"iven_id"_s),
        integer(u"iven_ordem"_s),      real(u"iven_qtd_produto"_s), real(u"iven_vlr_produto"_s),
        real(u"iven_vlr_flex"_s),      text(u"marca"_s, 50),        integer(u"tab_id"_s),
        text(u"pro_descricao"_s, 100), money(u"iven_total"_s),
    };
}

std::vector<FieldDef> mix()
{
    return {integer(u"pro_id"_s), real(u"qtd_periodo"_s), money(u"vlr_ult_venda"_s)};
}

std::vector<FieldDef> receber()
{
    return {
        integer(u"cli_id"_s),          integer(u"cre_id"_s),         text(u"cre_titulo"_s, 30),
        text(u"cre_parcela"_s, 10),    text(u"cre_status"_s, 30),    money(u"cre_valor"_s),
        date(u"cre_dta_vencimento"_s), text(u"cre_pagamento"_s, 50), date(u"cre_dta_emissao"_s),
    };
}

std::vector<FieldDef> hist_venda()
{
    return {
        integer(u"ven_pedido"_s),  integer(u"cli_id"_s),        integer(u"ven_nota_base"_s),
        text(u"ven_status"_s, 30), date(u"ven_dta_cadastro"_s), money(u"ven_tot_mercadoria"_s),
        money(u"ven_tot_nota"_s),
    };
}

std::vector<FieldDef> item_hvenda()
{
    return {
        integer(u"ven_pedido"_s),      integer(u"infe_id"_s),    money(u"iven_qtd_produto"_s),
        money(u"iven_vlr_produto"_s),  integer(u"iven_ordem"_s), integer(u"pro_id"_s),
        text(u"pro_descricao"_s, 100),
    };
}

} // namespace

TdmDados::TdmDados(const Regional& regional, QObject* parent)
    : QObject(parent), tblCliente(u"tblCliente"_s, cliente(), regional),
      tblProduto(u"tblProduto"_s, produto(), regional), tblTabela(u"tblTabela"_s, tabela(), regional),
      tblTabProd(u"tblTabProd"_s, tab_prod(), regional), tblVenda(u"tblVenda"_s, venda(), regional),
      tblItemVenda(u"tblItemVenda"_s, item_venda(), regional), tblMix(u"tblMix"_s, mix(), regional),
      tblReceber(u"tblReceber"_s, receber(), regional),
      tblHistVenda(u"tblHistVenda"_s, hist_venda(), regional),
      tblItemHVenda(u"tblItemHVenda"_s, item_hvenda(), regional)
{
    setObjectName(u"dmDados"_s);
    instance = this;
}

TdmDados::~TdmDados()
{
    if (instance == this) instance = nullptr;
}

TdmDados* dmDados()
{
    return instance;
}
