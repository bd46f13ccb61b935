#pragma once

#include "store/catalogue_origin.h"
#include "store/data_source.h"
#include "store/table.h"

#include <QObject>

// The ten tables every screen works on, and the data sources grids bind to. main creates the one
// instance, reached through dmDados(); tests create their own.
class TdmDados : public QObject {
    Q_OBJECT

public:
    explicit TdmDados(const Regional& regional, QObject* parent = nullptr);
    ~TdmDados() override;

    Table tblCliente;
    Table tblProduto;
    Table tblTabela;
    Table tblTabProd;
    Table tblVenda;
    Table tblItemVenda;
    Table tblMix;
    Table tblReceber;
    Table tblHistVenda;
    Table tblItemHVenda;

    DataSource dsCliente{tblCliente};
    DataSource dsProduto{tblProduto};
    DataSource dsVenda{tblVenda};
    DataSource dsItemVenda{tblItemVenda};
    DataSource dsMix{tblMix};
    DataSource dsFinanc{tblReceber};
    DataSource dsHistVenda{tblHistVenda};
    DataSource dsItemHVenda{tblItemHVenda};

    CatalogueOrigin origem;
};

// The data module of the running program: the one created last, until it is destroyed; nullptr
// before and after.
TdmDados* dmDados();
