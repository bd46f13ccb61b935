#include "demo_data.h"

#include "list_versions.h"

#include "call.h"
#include "database.h"
#include "formats.h"
#include "schema.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

using namespace std::chrono;

namespace {

constexpr std::string_view empresa = "Teste";

// splitmix64: tiny, and the same sequence on every platform and library (the standard
// distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int p) { return below(100) < p; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items)
    {
        return items[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }
    std::string digits(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + below(10));
        return text;
    }

private:
    std::uint64_t state_;
};

constexpr std::array first_names{"Maria",    "José",      "Ana",    "João",     "Antônio",   "Francisca",
                                 "Carlos",   "Luíza",     "Paulo",  "Márcia",   "Sebastião", "Adriana",
                                 "Raimundo", "Juliana",   "Luís",   "Cláudia",  "Fábio",     "Patrícia",
                                 "Marcelo",  "Conceição", "André",  "Fernanda", "Rogério",   "Simone",
                                 "Vinícius", "Letícia",   "Sérgio", "Beatriz"};
constexpr std::array last_names{"Silva",     "Santos",     "Oliveira",  "Souza",    "Lima",       "Pereira",
                                "Ferreira",  "Costa",      "Rodrigues", "Almeida",  "Nascimento", "Araújo",
                                "Gonçalves", "Carvalho",   "Gomes",     "Ribeiro",  "Magalhães",  "Brandão",
                                "Simões",    "Guimarães",  "Falcão",    "Monteiro", "Mendonça",   "Barbosa",
                                "Rocha",     "Cavalcanti", "Leão",      "Romão"};
constexpr std::array trades{
    "Mercadinho", "Supermercado",   "Mercearia",   "Padaria",      "Distribuidora",
    "Empório",    "Atacarejo",      "Minimercado", "Açougue",      "Farmácia",
    "Armazém",    "Casa de Carnes", "Hortifrúti",  "Conveniência", "Depósito de Bebidas",
    "Lanchonete"};
constexpr std::array shop_names{
    "São José",         "São Judas Tadeu", "Santa Luzia",   "Nossa Senhora Aparecida",
    "São Cristóvão",    "Santo Antônio",   "São Sebastião", "Bom Jesus",
    "Progresso",        "Esperança",       "Bom Sossego",   "Pão Nosso",
    "Estrela do Norte", "Boa Vista",       "Vitória",       "Central",
    "da Esquina",       "Econômico",       "do Povo",       "Três Irmãos"};
constexpr std::array company_suffixes{"Ltda", "ME", "EIRELI", "Ltda ME", "EPP", "S/A", "Ltda EPP"};
constexpr std::array street_kinds{"Rua", "Avenida", "Travessa", "Alameda", "Praça", "Estrada"};
constexpr std::array streets{
    "Sete de Setembro",    "Quinze de Novembro", "Getúlio Vargas",   "Barão do Rio Branco", "Tiradentes",
    "Dom Pedro II",        "Marechal Deodoro",   "Floriano Peixoto", "das Acácias",         "São Bento",
    "José Bonifácio",      "Rui Barbosa",        "Santos Dumont",    "Visconde de Mauá",    "das Palmeiras",
    "Doutor Oswaldo Cruz", "João Pessoa",        "Frei Caneca",      "do Comércio",         "Duque de Caxias",
    "Princesa Isabel",     "Padre Cícero"};
constexpr std::array complements{"Sala 12", "Loja 3", "Galpão 2", "Fundos",
                                 "Térreo",  "Box 14", "Km 12",    "Anexo"};
constexpr std::array districts{"Centro",      "Jardim América",  "Vila Mariana", "São Cristóvão",
                               "Boa Viagem",  "Jardim Paulista", "Vila Nova",    "Cidade Nova",
                               "Bela Vista",  "Aldeota",         "Petrópolis",   "Setor Bueno",
                               "Ponta Verde", "Liberdade",       "Cohab"};

struct City {
    std::string_view name, state, ddd, cep_prefix;
};
constexpr std::array cities{
    City{"São Paulo", "SP", "11", "01"},      City{"Campinas", "SP", "19", "13"},
    City{"Ribeirão Preto", "SP", "16", "14"}, City{"Belo Horizonte", "MG", "31", "30"},
    City{"Uberlândia", "MG", "34", "38"},     City{"Goiânia", "GO", "62", "74"},
    City{"Brasília", "DF", "61", "70"},       City{"Cuiabá", "MT", "65", "78"},
    City{"Florianópolis", "SC", "48", "88"},  City{"Curitiba", "PR", "41", "80"},
    City{"Maringá", "PR", "44", "87"},        City{"Porto Alegre", "RS", "51", "90"},
    City{"Rio de Janeiro", "RJ", "21", "20"}, City{"Vitória", "ES", "27", "29"},
    City{"Salvador", "BA", "71", "40"},       City{"Recife", "PE", "81", "50"},
    City{"Fortaleza", "CE", "85", "60"},      City{"São Luís", "MA", "98", "65"},
    City{"Belém", "PA", "91", "66"},          City{"Teresina", "PI", "86", "64"}};

struct Terms {
    std::string_view method;
    std::array<int, 8> days;
};
constexpr std::array payment_terms{Terms{"BOLETO", {28}},
                                   Terms{"BOLETO", {30, 60}},
                                   Terms{"BOLETO", {28, 56, 84}},
                                   Terms{"BOLETO", {30, 60, 90}},
                                   Terms{"BOLETO", {14, 28, 42}},
                                   Terms{"BOLETO", {20, 40, 60, 80}},
                                   Terms{"CHEQUE", {30, 60}},
                                   Terms{"CARTEIRA", {7, 14, 21, 28}},
                                   Terms{"DEPOSITO", {0}},
                                   Terms{"DINHEIRO", {0}},
                                   Terms{"PIX", {0}},
                                   Terms{"BOLETO", {30}}};
constexpr std::array credit_limits{0, 50000, 100000, 250000, 500000, 1000000, 2500000};

struct Group {
    std::string_view name;
    std::string_view subgroup;
    std::array<std::string_view, 4> items;
    std::array<std::string_view, 4> brands;
    std::array<std::string_view, 4> sizes;
    std::string_view unit;
};
// Brands are invented, like every name of the demonstration: no real trademark.
constexpr std::array groups{
    Group{"MERCEARIA",
          "GRÃOS",
          {"ARROZ TIPO 1", "FEIJÃO CARIOCA", "FEIJÃO PRETO", "LENTILHA"},
          {"VARZEANA", "SACA CHEIA", "CAMPO VIÇOSO", "SAFRINHA"},
          {"1KG", "2KG", "5KG", "10X1KG"},
          "FD"},
    Group{"MERCEARIA",
          "MASSAS",
          {"MACARRÃO ESPAGUETE", "MACARRÃO PARAFUSO", "LASANHA", "MACARRÃO INSTANTÂNEO"},
          {"ESPIGA FINA", "TRIGALLE", "MASSARETTA", "MASSALEVE"},
          {"500G", "1KG", "20X500G", "85G"},
          "FD"},
    Group{"MERCEARIA",
          "AÇÚCARES",
          {"AÇÚCAR CRISTAL", "AÇÚCAR REFINADO", "AÇÚCAR MASCAVO", "ADOÇANTE"},
          {"CANAFINA", "CANAVERDE", "ALVIDOCE", "MELADO BOM"},
          {"1KG", "2KG", "5KG", "10X1KG"},
          "FD"},
    Group{"MERCEARIA",
          "CAFÉS",
          {"CAFÉ TORRADO E MOÍDO", "CAFÉ EXTRAFORTE", "CAFÉ SOLÚVEL", "CAFÉ EM GRÃOS"},
          {"TORRAVIVA", "COADOR MINEIRO", "BULE ANTIGO", "TERREIRO ALTO"},
          {"250G", "500G", "1KG", "10X500G"},
          "CX"},
    Group{"MERCEARIA",
          "ÓLEOS",
          {"ÓLEO DE SOJA", "AZEITE EXTRAVIRGEM", "ÓLEO DE GIRASSOL", "ÓLEO DE MILHO"},
          {"SOJALIS", "OLIVEDO", "GIRASOLAR", "MILHORAL"},
          {"900ML", "500ML", "20X900ML", "1,5L"},
          "CX"},
    Group{"BEBIDAS",
          "REFRIGERANTES",
          {"REFRIGERANTE COLA", "REFRIGERANTE GUARANÁ", "REFRIGERANTE LIMÃO", "TÔNICA"},
          {"GUARAPÉ", "REFRESCOLA", "BOLHINHA", "TUPIZINHO"},
          {"350ML", "2L", "6X2L", "12X350ML"},
          "FD"},
    Group{"BEBIDAS",
          "SUCOS",
          {"SUCO DE MARACUJÁ", "SUCO DE CAJU", "NÉCTAR DE PÊSSEGO", "SUCO DE UVA"},
          {"POMARENSE", "FRUTAMIGA", "CAJUARA", "PARREIRAL"},
          {"200ML", "1L", "12X1L", "27X200ML"},
          "CX"},
    Group{"BEBIDAS",
          "ÁGUAS",
          {"ÁGUA MINERAL S/ GÁS", "ÁGUA MINERAL C/ GÁS", "ÁGUA DE COCO", "ÁGUA TÔNICA"},
          {"VERTENTINA", "BICA DA SERRA", "CÓRREGO AZUL", "PEDRA FRIA"},
          {"500ML", "1,5L", "12X500ML", "6X1,5L"},
          "FD"},
    Group{"LIMPEZA",
          "SABÕES",
          {"SABÃO EM PÓ", "SABÃO EM BARRA", "LAVA-LOUÇAS", "AMACIANTE"},
          {"TANQUEIRA", "ESPUMIL", "LAVAFINA", "PLUMACIA"},
          {"500G", "1KG", "5X200G", "2L"},
          "CX"},
    Group{"LIMPEZA",
          "DESINFETANTES",
          {"DESINFETANTE LAVANDA", "ÁGUA SANITÁRIA", "ÁLCOOL 70%", "LIMPADOR MULTIUSO"},
          {"FAXINELA", "BRILHOSA", "HIGIBOM", "ASSEIO"},
          {"500ML", "1L", "2L", "12X1L"},
          "CX"},
    Group{"HIGIENE PESSOAL",
          "CABELOS",
          {"XAMPU ANTICASPA", "CONDICIONADOR", "CREME P/ PENTEAR", "GEL FIXADOR"},
          {"CABELINA", "FIOLUZ", "MADEIXA", "LISURA"},
          {"325ML", "400ML", "1L", "12X325ML"},
          "UN"},
    Group{"HIGIENE PESSOAL",
          "ORAL",
          {"CREME DENTAL", "ESCOVA DENTAL MÉDIA", "FIO DENTAL", "ENXAGUANTE BUCAL"},
          {"DENTALVA", "SORRIVIDA", "BOCALINDA", "ESMALTEX"},
          {"90G", "180G", "12X90G", "500ML"},
          "DZ"},
    Group{"LATICÍNIOS",
          "LEITES",
          {"LEITE UHT INTEGRAL", "LEITE CONDENSADO", "CREME DE LEITE", "LEITE EM PÓ"},
          {"MALHADINHA", "ORDENHA BOA", "TROPEIRA", "CAMPO LEITEIRO"},
          {"1L", "12X1L", "395G", "200G"},
          "CX"},
    Group{"LATICÍNIOS",
          "QUEIJOS",
          {"QUEIJO MUÇARELA", "REQUEIJÃO CREMOSO", "QUEIJO COALHO", "QUEIJO PRATO"},
          {"QUEIJEIRA", "COALHINHO", "CREMOLÂNDIA", "PRATANOVA"},
          {"KG", "200G", "500G", "PEÇA 3KG"},
          "KG"},
    Group{"FRIOS",
          "EMBUTIDOS",
          {"LINGUIÇA CALABRESA", "SALSICHA", "PRESUNTO FATIADO", "MORTADELA"},
          {"PAIOLÃO", "FUMEIRO VELHO", "SALSIRA", "CALABRINA"},
          {"KG", "500G", "PEÇA 5KG", "3KG"},
          "KG"}};
constexpr std::array table_names{"TABELA PADRÃO",
                                 "ATACADO",
                                 "PROMOÇÃO",
                                 "VAREJO",
                                 "REDE DE SUPERMERCADOS",
                                 "NORDESTE",
                                 "DISTRIBUIDOR SÃO PAULO",
                                 "CENTRO-OESTE",
                                 "CLIENTE ESPECIAL",
                                 "À VISTA 5% DESC."};
// Price of each table as a share of the product's own price, in percent.
constexpr std::array table_rates{100, 92, 85, 108, 90, 97, 94, 99, 88, 95};

std::string upper(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

std::string join(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts) {
        if (!text.empty()) text += ' ';
        text += part;
    }
    return text;
}

// Modulo-11 check digit of CNPJ and CPF: weights run from the right, 2, 3, ... up to `top`, then
// start again at 2 (CNPJ); a remainder under 2 gives 0.
char check_digit(const std::string& digits, int top)
{
    int sum = 0;
    int weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == top ? 2 : weight + 1;
    }
    const int rest = sum % 11;
    return static_cast<char>('0' + (rest < 2 ? 0 : 11 - rest));
}

std::string make_cnpj(Random& random)
{
    std::string d = random.digits(8) + "0001";
    d += check_digit(d, 9);
    d += check_digit(d, 9);
    return d.substr(0, 2) + '.' + d.substr(2, 3) + '.' + d.substr(5, 3) + '/' + d.substr(8, 4) + '-' +
           d.substr(12);
}

std::string make_cpf(Random& random)
{
    std::string d;
    do
        d = random.digits(9);
    while (d.find_first_not_of(d[0]) == std::string::npos); // 111.111.111-xx and the like are invalid
    d += check_digit(d, 11);
    d += check_digit(d, 11);
    return d.substr(0, 3) + '.' + d.substr(3, 3) + '.' + d.substr(6, 3) + '-' + d.substr(9);
}

struct Product {
    std::int64_t price_cents;
};

struct Client {
    int id;
    std::string vendedor;
    int table;
    const Terms* terms;
};

class Seeder {
public:
    Seeder(Database& db, const SeedSizes& sizes, sys_days today)
        : db_(db), sizes_(sizes), today_(today), random_(20240315)
    {
    }

    void run()
    {
        company();
        tables();
        products();
        clients();
        sales();
    }

private:
    void company()
    {
        db_.prepare("INSERT INTO empresa VALUES (?, ?)").bind_all(empresa, "Distribuidora Teste Ltda").run();
        auto vendedor = db_.prepare("INSERT INTO vendedor VALUES (?, ?, ?, ?)");
        vendedor.bind_all(empresa, "1", "Carlos Henrique Souza", "47261").run();
        vendedor.bind_all(empresa, "2", "Mariana Lopes Ferreira", "58314").run();
        // Orders are accepted at any hour of any day, so that the demo can always send one.
        db_.prepare("INSERT INTO horario_envio VALUES (?, '00:00', '23:59')").bind_all(empresa).run();
    }

    void tables()
    {
        auto insert = db_.prepare("INSERT INTO tabela_preco VALUES (?, ?, ?)");
        for (int t = 0; t < sizes_.tabelas; ++t) {
            const std::string name = t < static_cast<int>(table_names.size())
                                         ? std::string(table_names[static_cast<std::size_t>(t)])
                                         : "TABELA " + std::to_string(t + 1);
            insert.bind_all(empresa, t + 1, name).run();
        }
    }

    static int table_rate(int table)
    {
        return table < static_cast<int>(table_rates.size()) ? table_rates[static_cast<std::size_t>(table)]
                                                            : 90 + table % 20;
    }

    void products()
    {
        auto insert = db_.prepare("INSERT INTO produto VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL, ?)");
        auto price = db_.prepare("INSERT INTO tabela_produto VALUES (?, ?, ?, ?, ?)");
        int tap_id = 0;
        products_.reserve(static_cast<std::size_t>(sizes_.produtos));
        for (int p = 0; p < sizes_.produtos; ++p) {
            const Group& group = random_.pick(groups);
            const std::string_view brand = random_.pick(group.brands);
            const std::string description =
                join({random_.pick(group.items), brand, random_.pick(group.sizes)});
            const std::string_view unit = group.unit;
            const std::int64_t cents = random_.between(199, 24999);
            const std::int64_t cost = cents * random_.between(55, 80) / 100;
            double stock = random_.percent(8) ? 0 : random_.between(1, 600);
            if (unit == "KG" && stock > 0) stock += random_.below(4) * 0.25;
            const int id = p + 1;
            insert
                .bind_all(empresa, id, description, cents, cost, stock, unit, brand, group.name,
                          group.subgroup, random_.percent(30) ? "S" : "N")
                .run();
            products_.push_back({cents});
            for (int t = 0; t < sizes_.tabelas; ++t) {
                // In the demo the promotion covers a third of the products; sized catalogues price every
                // product in every table.
                if (!sizes_.sized && t == 2 && id % 3 != 0) continue;
                price.bind_all(empresa, ++tap_id, t + 1, id, cents * table_rate(t) / 100).run();
            }
        }
    }

    void clients()
    {
        auto insert = db_.prepare("INSERT INTO cliente VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        clients_.reserve(static_cast<std::size_t>(sizes_.clientes));
        for (int c = 0; c < sizes_.clientes; ++c) {
            const City& city = random_.pick(cities);
            std::string razao, fantasia, document, phone;
            // One draw per statement: the order in which the operands of an expression are evaluated
            // is unspecified, and the data must come out the same everywhere.
            if (random_.percent(70)) {
                const std::string shop = join({random_.pick(trades), random_.pick(shop_names)});
                razao = join({shop, random_.pick(company_suffixes)});
                fantasia = upper(shop);
                document = make_cnpj(random_);
                phone = std::to_string(random_.between(2000, 3999));
            } else {
                const std::string_view first = random_.pick(first_names);
                const std::string_view last = random_.pick(last_names);
                razao = join({first, random_.percent(50) ? "da" : "dos", random_.pick(last_names), last});
                fantasia = upper(join({first, last}));
                document = make_cpf(random_);
                phone = '9' + std::to_string(random_.between(6000, 9999));
            }
            phone = "(" + std::string(city.ddd) + ") " + phone + '-';
            phone += random_.digits(4);
            const std::string street = join({random_.pick(street_kinds), random_.pick(streets)});
            const std::string number = random_.percent(5) ? "S/N" : std::to_string(random_.between(1, 3999));
            std::optional<std::string_view> complement;
            if (random_.percent(25)) complement = random_.pick(complements);
            const std::string_view district = random_.pick(districts);
            std::string cep = std::string(city.cep_prefix) + random_.digits(3) + '-';
            cep += random_.digits(3);
            const Terms& terms = random_.pick(payment_terms);
            std::optional<int> table;
            if (sizes_.tabelas > 0) table = random_.percent(60) ? 1 : random_.between(1, sizes_.tabelas);
            const int limit = random_.pick(credit_limits);
            const int credit = limit == 0 ? 0 : random_.below(limit / 100 + 1) * 100;
            const int id = c + 1;
            // In the demo a third of the clients belong to the second salesperson.
            const std::string vendedor = !sizes_.sized && c % 3 == 2 ? "2" : "1";
            const auto& d = terms.days;
            insert
                .bind_all(empresa, id, vendedor, razao, fantasia, document, phone, street, number, complement,
                          district, city.name, city.state, cep, terms.method, d[0], d[1], d[2], d[3], d[4],
                          d[5], d[6], d[7], table, credit, limit)
                .run();
            clients_.push_back({id, vendedor, table.value_or(0), &terms});
        }
    }

    // Past invoiced sales and the receivables they left, for the history, the purchase mix, the
    // receivables check and the slips. A sized catalogue gets them for its first few hundred clients.
    void sales()
    {
        if (products_.empty()) return;
        auto nota = db_.prepare("INSERT INTO nota VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        auto item = db_.prepare("INSERT INTO item_nota VALUES (?, ?, ?, ?, ?, ?, ?)");
        auto receber = db_.prepare("INSERT INTO receber VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        int pedido = 1000, numero = 50000, item_id = 0, cre_id = 0;
        const std::size_t with_sales =
            sizes_.sized ? std::min<std::size_t>(clients_.size(), 300) : clients_.size();
        for (std::size_t c = 0; c < with_sales; ++c) {
            const Client& client = clients_[c];
            const int count = random_.below(6);
            for (int s = 0; s < count; ++s) {
                const sys_days issued = today_ - days(random_.between(1, 200));
                ++pedido;
                ++numero;
                struct Line {
                    int product;
                    int quantity;
                    std::int64_t unit_cents;
                };
                std::vector<Line> lines(static_cast<std::size_t>(random_.between(1, 6)));
                std::int64_t goods = 0;
                for (Line& line : lines) {
                    line.product = random_.below(static_cast<int>(products_.size())) + 1;
                    line.quantity = random_.between(1, 24);
                    line.unit_cents = products_[static_cast<std::size_t>(line.product - 1)].price_cents *
                                      table_rate(client.table == 0 ? 0 : client.table - 1) / 100;
                    goods += line.unit_cents * line.quantity;
                }
                const std::int64_t freight = random_.percent(30) ? random_.between(10, 80) * 100 : 0;
                const std::int64_t total = goods + freight;
                nota.bind_all(empresa, pedido, numero, client.id, client.vendedor,
                              issued > today_ - days(7) ? "FATURADO" : "ENTREGUE", iso_date(issued), goods,
                              freight, total)
                    .run();
                int ordem = 0;
                for (const Line& line : lines)
                    item.bind_all(empresa, ++item_id, pedido, ++ordem, line.product, double(line.quantity),
                                  line.unit_cents)
                        .run();

                std::vector<int> due_days;
                for (int d : client.terms->days)
                    if (d > 0 || due_days.empty()) due_days.push_back(d);
                const auto parts = static_cast<std::int64_t>(due_days.size());
                for (std::size_t k = 0; k < due_days.size(); ++k) {
                    const sys_days due = issued + days(due_days[k]);
                    const std::int64_t value = total / parts + (k == 0 ? total % parts : 0);
                    std::string status = "Em Aberto";
                    if (due < today_ - days(10))
                        status = random_.percent(85) ? "Pago" : "Em Aberto";
                    else if (random_.percent(10))
                        status = "Comprado";
                    ++cre_id;
                    const std::string parcela = std::to_string(k + 1) + '/' + std::to_string(parts);
                    receber
                        .bind_all(empresa, cre_id, client.id, std::to_string(numero), parcela, status,
                                  client.terms->method, value, status == "Pago" ? value : 0, iso_date(issued),
                                  iso_date(due), std::to_string(10000000000LL + cre_id))
                        .run();
                }
            }
        }
    }

    Database& db_;
    const SeedSizes& sizes_;
    sys_days today_;
    Random random_;
    std::vector<Product> products_;
    std::vector<Client> clients_;
};

// The load as a sentence names it: "a carga de demonstração", "a carga clientes=... ".
std::string as_load(const std::string& carga)
{
    return carga == "demonstração" ? "de demonstração" : carga;
}

} // namespace

std::string SeedSizes::describe() const
{
    if (!sized) return "demonstração";
    return "clientes=" + std::to_string(clientes) + " produtos=" + std::to_string(produtos) +
           " tabelas=" + std::to_string(tabelas);
}

void seed_database(Database& db, const SeedSizes& sizes, sys_days today)
{
    Seeder(db, sizes, today).run();
    db.prepare("INSERT INTO meta VALUES ('carga', ?)").bind_all(sizes.describe()).run();
}

std::string prepare_database(const std::string& path, const SeedSizes& sizes, std::optional<sys_days> today)
{
    Database db(path);
    db.exec("PRAGMA journal_mode = WAL");
    const auto started = steady_clock::now();
    bool created = false;
    db.transaction([&] {
        created = create_schema(db);
        if (created) seed_database(db, sizes, today.value_or(local_now().day));
    });
    ensure_list_versions(db);
    if (created) {
        const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - started).count();
        return "banco " + path + " criado com a carga " + as_load(sizes.describe()) + " em " +
               std::to_string(elapsed) + " ms";
    }

    auto stored = db.prepare("SELECT valor FROM meta WHERE chave = 'carga'");
    const std::string carga = stored.step() ? std::string(stored.text(0)) : std::string();
    if (sizes.sized && carga != sizes.describe())
        throw DatabaseError("O banco " + path + " já existe com a carga " + as_load(carga) + "; a carga " +
                            as_load(sizes.describe()) + " pedida só vale para um banco novo");
    return "banco " + path + " aberto (carga " + as_load(carga) + ")";
}
