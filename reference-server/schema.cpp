#include "schema.h"

#include "database.h"

namespace {

constexpr int schema_version = 2;

// Money is held in whole cents and dates as ISO text ("2024-03-15"): the replies format both the way
// the client reads them, and the database stays free of any regional convention.
constexpr const char* schema_sql = R"sql(
CREATE TABLE meta (
    chave TEXT PRIMARY KEY,
    valor TEXT NOT NULL
);

CREATE TABLE empresa (
    emp_codigo TEXT PRIMARY KEY,
    emp_razao  TEXT NOT NULL
);

CREATE TABLE vendedor (
    emp_codigo TEXT NOT NULL REFERENCES empresa,
    ven_id     TEXT NOT NULL,
    ven_nome   TEXT NOT NULL,
    ven_chave  TEXT NOT NULL,
    PRIMARY KEY (emp_codigo, ven_id)
);

CREATE TABLE tabela_preco (
    emp_codigo    TEXT NOT NULL REFERENCES empresa,
    tab_id        INTEGER NOT NULL,
    tab_descricao TEXT NOT NULL,
    PRIMARY KEY (emp_codigo, tab_id)
);

CREATE TABLE cliente (
    emp_codigo          TEXT NOT NULL,
    cli_id              INTEGER NOT NULL,
    ven_id              TEXT NOT NULL,
    cli_razao           TEXT NOT NULL,
    cli_fantasia        TEXT,
    cli_cnpj_cpf        TEXT,
    cli_telefone        TEXT,
    end_rua             TEXT,
    end_numero          TEXT,
    end_complemento     TEXT,
    end_bairro          TEXT,
    end_cidade          TEXT,
    end_estado          TEXT,
    end_cep             TEXT,
    cli_pagamento       TEXT,
    cli_parcela1        INTEGER NOT NULL DEFAULT 0,
    cli_parcela2        INTEGER NOT NULL DEFAULT 0,
    cli_parcela3        INTEGER NOT NULL DEFAULT 0,
    cli_parcela4        INTEGER NOT NULL DEFAULT 0,
    cli_parcela5        INTEGER NOT NULL DEFAULT 0,
    cli_parcela6        INTEGER NOT NULL DEFAULT 0,
    cli_parcela7        INTEGER NOT NULL DEFAULT 0,
    cli_parcela8        INTEGER NOT NULL DEFAULT 0,
    tab_id              INTEGER,
    cli_credito_centavos INTEGER NOT NULL DEFAULT 0,
    cli_limite_centavos  INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (emp_codigo, cli_id),
    FOREIGN KEY (emp_codigo, ven_id) REFERENCES vendedor,
    FOREIGN KEY (emp_codigo, tab_id) REFERENCES tabela_preco
);
CREATE INDEX cliente_por_vendedor ON cliente (emp_codigo, ven_id, cli_id);

CREATE TABLE produto (
    emp_codigo       TEXT NOT NULL REFERENCES empresa,
    pro_id           INTEGER NOT NULL,
    pro_descricao    TEXT NOT NULL,
    pro_venda_centavos INTEGER NOT NULL,
    pro_custo_centavos INTEGER NOT NULL,
    pro_qtd_estoque  REAL NOT NULL DEFAULT 0,
    emb_unidade      TEXT,
    mar_descricao    TEXT,
    gru_descricao    TEXT,
    sub_descricao    TEXT,
    pro_imagem       TEXT,
    pro_control_flex TEXT NOT NULL DEFAULT 'N' CHECK (pro_control_flex IN ('S', 'N')),
    PRIMARY KEY (emp_codigo, pro_id)
);

CREATE TABLE tabela_produto (
    emp_codigo     TEXT NOT NULL,
    tap_id         INTEGER NOT NULL,
    tab_id         INTEGER NOT NULL,
    pro_id         INTEGER NOT NULL,
    tap_venda_centavos INTEGER NOT NULL,
    PRIMARY KEY (emp_codigo, tap_id),
    UNIQUE (emp_codigo, pro_id, tab_id),
    FOREIGN KEY (emp_codigo, tab_id) REFERENCES tabela_preco,
    FOREIGN KEY (emp_codigo, pro_id) REFERENCES produto
);

-- Receivables. cre_status: 'Em Aberto', 'Comprado' (still owed) or 'Pago'.
CREATE TABLE receber (
    emp_codigo         TEXT NOT NULL,
    cre_id             INTEGER NOT NULL,
    cli_id             INTEGER NOT NULL,
    cre_titulo         TEXT NOT NULL,
    cre_parcela        TEXT NOT NULL,
    cre_status         TEXT NOT NULL,
    cre_pagamento      TEXT NOT NULL,
    cre_valor_centavos INTEGER NOT NULL,
    cre_pago_centavos  INTEGER NOT NULL DEFAULT 0,
    cre_dta_emissao    TEXT NOT NULL,
    cre_dta_vencimento TEXT NOT NULL,
    cre_nosso_numero   TEXT,
    PRIMARY KEY (emp_codigo, cre_id),
    FOREIGN KEY (emp_codigo, cli_id) REFERENCES cliente
);
CREATE INDEX receber_por_cliente ON receber (emp_codigo, cli_id, cre_dta_vencimento);

-- Past sales (invoiced orders) and their items: sales history, purchase mix, reports.
CREATE TABLE nota (
    emp_codigo      TEXT NOT NULL,
    nfe_pedido      INTEGER NOT NULL,
    nfe_nota        INTEGER NOT NULL,
    cli_id          INTEGER NOT NULL,
    ven_id          TEXT NOT NULL,
    nfe_status      TEXT NOT NULL,
    nfe_dta_cadastro TEXT NOT NULL,
    nfe_mercadoria_centavos INTEGER NOT NULL,
    nfe_frete_centavos      INTEGER NOT NULL DEFAULT 0,
    nfe_total_centavos      INTEGER NOT NULL,
    PRIMARY KEY (emp_codigo, nfe_pedido),
    FOREIGN KEY (emp_codigo, cli_id) REFERENCES cliente,
    FOREIGN KEY (emp_codigo, ven_id) REFERENCES vendedor
);
CREATE INDEX nota_por_cliente ON nota (emp_codigo, cli_id, nfe_dta_cadastro);

CREATE TABLE item_nota (
    emp_codigo     TEXT NOT NULL,
    infe_id        INTEGER NOT NULL,
    nfe_pedido     INTEGER NOT NULL,
    infe_ordem     INTEGER NOT NULL,
    pro_id         INTEGER NOT NULL,
    infe_qtd_produto REAL NOT NULL,
    infe_valor_centavos INTEGER NOT NULL,
    PRIMARY KEY (emp_codigo, infe_id),
    FOREIGN KEY (emp_codigo, nfe_pedido) REFERENCES nota,
    FOREIGN KEY (emp_codigo, pro_id) REFERENCES produto
);
CREATE INDEX item_nota_por_nota ON item_nota (emp_codigo, nfe_pedido, infe_ordem);

-- When orders are accepted: an hour window and the weekdays (0 Sunday .. 6 Saturday) that are blocked.
CREATE TABLE horario_envio (
    emp_codigo  TEXT PRIMARY KEY REFERENCES empresa,
    hora_inicio TEXT NOT NULL,
    hora_limite TEXT NOT NULL
);

CREATE TABLE dia_bloqueado (
    emp_codigo TEXT NOT NULL REFERENCES empresa,
    dia_semana INTEGER NOT NULL CHECK (dia_semana BETWEEN 0 AND 6),
    PRIMARY KEY (emp_codigo, dia_semana)
);

)sql";

constexpr const char* order_tables_sql = R"sql(
-- Orders posted by the salespeople. Amounts arrive as text with the client's decimal separator and
-- are kept as numbers; the request itself is kept too, so that a repeated post can be recognised.
-- One salesperson's order number is stored once, however often it is posted.
CREATE TABLE pedido (
    emp_codigo       TEXT NOT NULL,
    ven_id           TEXT NOT NULL,
    ven_pedido       INTEGER NOT NULL,
    cli_id           INTEGER NOT NULL,
    ven_pagamento    TEXT,
    ven_dta_entrega  TEXT,
    ven_mercadoria_centavos INTEGER NOT NULL,
    ven_total_centavos      INTEGER NOT NULL,
    ven_observacao   TEXT,
    tab_id           INTEGER,
    recebido_em      TEXT NOT NULL,
    requisicao_json  TEXT NOT NULL,
    PRIMARY KEY (emp_codigo, ven_id, ven_pedido),
    FOREIGN KEY (emp_codigo, ven_id) REFERENCES vendedor,
    FOREIGN KEY (emp_codigo, cli_id) REFERENCES cliente
);

CREATE TABLE item_pedido (
    emp_codigo       TEXT NOT NULL,
    ven_id           TEXT NOT NULL,
    ven_pedido       INTEGER NOT NULL,
    iven_ordem       INTEGER NOT NULL,
    pro_id           INTEGER NOT NULL,
    iven_qtd_produto REAL NOT NULL,
    iven_valor_centavos INTEGER NOT NULL,
    iven_flex_centavos  INTEGER NOT NULL,
    marca            TEXT,
    tab_id           INTEGER,
    PRIMARY KEY (emp_codigo, ven_id, ven_pedido, iven_ordem),
    FOREIGN KEY (emp_codigo, ven_id, ven_pedido) REFERENCES pedido ON DELETE CASCADE,
    FOREIGN KEY (emp_codigo, pro_id) REFERENCES produto
);

CREATE TABLE parcela_pedido (
    emp_codigo    TEXT NOT NULL,
    ven_id        TEXT NOT NULL,
    ven_pedido    INTEGER NOT NULL,
    numero        INTEGER NOT NULL,
    cre_pagamento TEXT,
    cre_parcela   INTEGER NOT NULL,
    PRIMARY KEY (emp_codigo, ven_id, ven_pedido, numero),
    FOREIGN KEY (emp_codigo, ven_id, ven_pedido) REFERENCES pedido ON DELETE CASCADE
);
)sql";

} // namespace

bool create_schema(Database& db)
{
    const auto current = [&] {
        auto version = db.prepare("PRAGMA user_version");
        version.step();
        return version.integer(0);
    }();
    if (current == schema_version) return false;
    if (current == 1) {
        // Version 1 answered no order, so its order tables are empty and can be made anew.
        db.exec("DROP TABLE parcela_pedido; DROP TABLE item_pedido; DROP TABLE pedido;");
        db.exec(order_tables_sql);
        db.exec("PRAGMA user_version = " + std::to_string(schema_version));
        return false;
    }
    if (current != 0)
        throw DatabaseError("O banco de dados tem uma versão de esquema desconhecida (" +
                            std::to_string(current) + ")");
    db.exec(schema_sql);
    db.exec(order_tables_sql);
    db.exec("PRAGMA user_version = " + std::to_string(schema_version));
    return true;
}
