#pragma once

#include <QStringList>

struct Context;

// What a run of "Exportar Vendas" did.
struct ExportResult {
    int enviados = 0;
    int pendentes = 0;    // still waiting after the run
    QStringList detalhes; // one line each, naming the order it speaks of
};

// Sends the pending orders, oldest first: each one goes through the three checks with its own
// client and items, then its kept request is posted as it is. An order whose checks fail, whose
// request the server refuses or whose file is damaged stays pending and the run goes on; a
// failure to reach the server stops the run, leaving the rest pending. An order stops being
// pending only once its post has returned. Says nothing to the salesperson.
ExportResult exportar_vendas(const Context& context);
