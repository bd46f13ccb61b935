#pragma once

struct Context;
class TdmDados;

// The product list's load after a download: the cached price tables, products and prices take the
// place of the rows held so far, so the tables hold one row per record the server sent. When the
// load fails the three tables are left as they were and the error goes on to the caller.
void recarregar_produtos(const Context& context, TdmDados& dados);
