#include "mix_list.h"

#include "store/catalogue_lookup.h"
#include "store/dm_dados.h"

using namespace Qt::StringLiterals;

namespace {

std::vector<FieldDef> campos()
{
    return {
        {u"pro_id"_s, FieldType::Integer, 0},
        {u"pro_descricao"_s, FieldType::String, 150},
        {u"qtd_periodo"_s, FieldType::Float, 0},
        {u"vlr_ult_venda"_s, FieldType::Currency, 0},
    };
}

} // namespace

MixList::MixList(TdmDados& dados, const Regional& regional)
    : tblMixCliente(u"tblMixCliente"_s, campos(), regional), dados_(dados)
{
}

void MixList::limpar()
{
    tblMixCliente.set_filter({});
    tblMixCliente.set_filtered(false);
    tblMixCliente.empty();
    produtos_.clear();
}

void MixList::mostrar(int first)
{
    limpar();
    Table& mix = dados_.tblMix;
    CatalogueLookup produtos(dados_.tblProduto, u"pro_id"_s);
    const int was = mix.current_visible();
    for (int row = first; row < mix.record_count(); ++row) {
        mix.set_current_visible(row);
        const int pro_id = mix.as_integer(u"pro_id");
        produtos_ << pro_id;
        const QString descricao =
            produtos.find(QString::number(pro_id)) ? dados_.tblProduto.as_text(u"pro_descricao") : QString();
        tblMixCliente.append();
        tblMixCliente.set_integer(u"pro_id", pro_id);
        tblMixCliente.set_text(u"pro_descricao", descricao);
        if (!mix.is_null(u"qtd_periodo")) tblMixCliente.set_text(u"qtd_periodo", mix.as_text(u"qtd_periodo"));
        if (!mix.is_null(u"vlr_ult_venda"))
            tblMixCliente.set_money(u"vlr_ult_venda", mix.as_money(u"vlr_ult_venda"));
        tblMixCliente.post();
    }
    mix.set_current_visible(was);
    tblMixCliente.first();
}
