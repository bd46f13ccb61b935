#pragma once

struct Context;
class TdmDados;

// How far the start-up download got: whether it wrote this run's client file, and this run's
// product and price-table files. What it wrote it has loaded, or failed loading on its own.
struct StartUpProgress {
    bool clientes = false;
    bool produtos = false;
};

// After a start-up download that ended in an error: loads what it did not bring from the cache
// files of the last download that did, through the same loaders, and notes in dados.origem where
// the catalogue comes from. clientes.json is used only when its key is exactly the configured one;
// the product files, which hold no key, only beside such a clientes.json. A file that is missing,
// unreadable or another salesperson's is passed over in silence; no file is changed.
void carregar_cadastro_anterior(const Context& context, TdmDados& dados, const StartUpProgress& progress);
