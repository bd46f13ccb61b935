#pragma once

#include "core/money.h"

#include <QDate>
#include <QList>
#include <QStringList>

#include <array>

struct Regional;

// The instalment terms an order carries, in days: the first when 0 or more (cash), each of the
// others only when above 0.
QList<int> prazos_pedido(const std::array<double, 8>& parcelas);

// When each instalment falls due and what it comes to.
struct Vencimento {
    QDate data;
    Money valor;
};

// One due date per term, counted from base (the delivery date, or today when there is none); the
// total split in whole cents, the first instalment taking the remainder so that they add up
// exactly (17,60 in three: 5,88, 5,86, 5,86).
QList<Vencimento> vencimentos(const QList<int>& prazos, const QDate& base, Money total);

// "k/n dd/mm/aaaa R$ valor", one line per instalment.
QStringList linhas_vencimentos(const QList<Vencimento>& vencimentos, const Regional& regional);
