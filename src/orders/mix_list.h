#pragma once

#include "store/data_source.h"
#include "store/table.h"

#include <QList>

class TdmDados;

// The purchase mix of the client chosen last on the order screen, as its "MIX" page shows it: the
// rows that choice added to tblMix (which keeps every choice's rows), each with the product's
// description from the catalogue (empty when the catalogue lacks it). Searched like the product
// page, by code or by the start of the description.
class MixList {
public:
    MixList(TdmDados& dados, const Regional& regional);

    // Shows the rows of tblMix from row first on: those of the choice just made.
    void mostrar(int first);
    void limpar();
    // The products of the mix, in its order, whatever a search shows.
    const QList<int>& produtos() const { return produtos_; }

    Table tblMixCliente;
    DataSource dsMixCliente{tblMixCliente};

private:
    TdmDados& dados_;
    QList<int> produtos_;
};
