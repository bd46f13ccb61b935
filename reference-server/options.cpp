#include "options.h"

#include "order_replies.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <string_view>

const char* const usage_text = R"(Uso: pedidos-servidor [opções]

Servidor de aplicação de referência do Pedidos Vendedor: atende getDados_OnLine e postDados_OnLine
em /datasnap/rest/TModuleOnline/ com os dados de um banco SQLite, criado e preenchido com dados de
demonstração na primeira execução.

Opções:
  --host ENDEREÇO   endereço em que ouvir (padrão 127.0.0.1)
  --port N          porta (padrão 211; 0 escolhe uma porta livre)
  --db ARQUIVO      banco de dados SQLite (padrão pedidos-servidor.db na pasta atual)
  --clientes N      um banco novo recebe, em vez dos dados de demonstração, um catálogo deste
  --produtos N      tamanho, com todos os clientes do vendedor 1 (o que faltar fica como na
  --tabelas N       demonstração: 300 clientes, 250 produtos, 3 tabelas de preço)
  --horario HH:MM-HH:MM
                    horário em que pedidos são aceitos (a demonstração aceita de 00:00 a 23:59)
  --dias-bloqueados LISTA
                    dias da semana em que pedidos são recusados, de 0 (domingo) a 6 (sábado),
                    separados por vírgula; vazio desbloqueia todos
  --data-hoje DD/MM/AAAA
                    dia que o servidor toma por hoje, em vez do relógio (para testes)
  --tls-cert ARQUIVO
  --tls-key ARQUIVO atende em HTTPS com este certificado e esta chave privada (arquivos PEM; o
                    certificado pode vir seguido da cadeia de autoridades); os dois vão juntos
  --exigir-assinatura
                    recusa (HTTP 401) toda requisição sem o cabeçalho X-Pedidos-Assinatura válido:
                    "<hora unix>:<hex>", o HMAC-SHA256 sob a chave do vendedor da hora, de uma quebra
                    de linha e do corpo; a hora a no máximo 5 minutos do relógio do servidor, e
                    nenhuma assinatura aceita duas vezes; assinaturas erradas fazem o vendedor e o
                    endereço esperarem (HTTP 429), mais a cada erro depois de cinco, até 15 minutos.
                    Exige TLS: toda resposta traz a chave do vendedor
  --permitir-http   aceita --exigir-assinatura sem TLS (numa rede em que ninguém escuta)
  --sem-compressao  envia as respostas sem compressão mesmo a quem as aceita comprimidas (sem esta
                    opção, respostas de 1 KiB ou mais vão em zstd ou gzip, conforme o
                    Accept-Encoding da requisição)
  -h, --help        mostra esta ajuda
  -v, --version     mostra a versão

Vendedores de demonstração (empresa Teste): 1 com a chave 47261 e 2 com a chave 58314.
)";

namespace {

int whole_number(const std::string& option, const std::string& text, int max)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        throw OptionsError("Valor inválido para " + option + ": \"" + text +
                           "\" (esperado um número de 0 a " + std::to_string(max) + ")");
    return value;
}

std::pair<int, int> hour_window(const std::string& text)
{
    const auto dash = text.find('-');
    const auto start = parse_hour(std::string_view(text).substr(0, dash));
    const auto limit =
        dash == std::string::npos ? std::nullopt : parse_hour(std::string_view(text).substr(dash + 1));
    if (!start || !limit)
        throw OptionsError("Valor inválido para --horario: \"" + text + "\" (esperado HH:MM-HH:MM)");
    return {*start, *limit};
}

std::chrono::sys_days date_option(const std::string& text)
{
    int d = 0, m = 0, y = 0;
    const auto field = [&](std::size_t at, std::size_t length, int& value) {
        const char* begin = text.data() + at;
        const auto [end, error] = std::from_chars(begin, begin + length, value);
        return error == std::errc() && end == begin + length;
    };
    if (text.size() == 10 && text[2] == '/' && text[5] == '/' && field(0, 2, d) && field(3, 2, m) &&
        field(6, 4, y)) {
        const std::chrono::year_month_day date{std::chrono::year(y),
                                               std::chrono::month(static_cast<unsigned>(m)),
                                               std::chrono::day(static_cast<unsigned>(d))};
        if (date.ok()) return std::chrono::sys_days(date);
    }
    throw OptionsError("Valor inválido para --data-hoje: \"" + text + "\" (esperado DD/MM/AAAA)");
}

std::set<int> weekdays(const std::string& text)
{
    std::set<int> days;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t comma = std::min(text.find(',', begin), text.size());
        const std::string piece = text.substr(begin, comma - begin);
        if (piece.size() != 1 || piece[0] < '0' || piece[0] > '6')
            throw OptionsError("Valor inválido para --dias-bloqueados: \"" + text +
                               "\" (esperados números de 0 a 6 separados por vírgula)");
        days.insert(piece[0] - '0');
        begin = comma + 1;
    }
    return days;
}

// An option's name as the client's messages give it, without its dashes ("--x" is "x").
std::string bare_name(const std::string& argument)
{
    const std::size_t start = argument.find_first_not_of('-');
    return start == std::string::npos ? argument : argument.substr(start);
}

} // namespace

ServerOptions parse_options(const std::vector<std::string>& arguments)
{
    static constexpr std::string_view with_value[] = {
        "--host",      "--port",     "--db",      "--clientes",
        "--produtos",  "--tabelas",  "--horario", "--dias-bloqueados",
        "--data-hoje", "--tls-cert", "--tls-key"};
    constexpr int max_rows = 10'000'000;

    ServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--version" || argument == "-v") {
            options.version = true;
            continue;
        }
        if (argument == "--exigir-assinatura") {
            options.exigir_assinatura = true;
            continue;
        }
        if (argument == "--permitir-http") {
            options.permitir_http = true;
            continue;
        }
        if (argument == "--sem-compressao") {
            options.sem_compressao = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (std::find(std::begin(with_value), std::end(with_value), name) == std::end(with_value))
            throw OptionsError("opção desconhecida: " + bare_name(argument));
        if (!value) {
            if (i + 1 == arguments.size()) throw OptionsError("falta o valor de " + name);
            value = arguments[++i];
        }

        if (name == "--host" || name == "--db" || name == "--tls-cert" || name == "--tls-key") {
            if (value->empty()) throw OptionsError("Valor vazio para " + name);
            (name == "--host"       ? options.host
             : name == "--db"       ? options.database
             : name == "--tls-cert" ? options.tls_cert
                                    : options.tls_key) = *value;
        } else if (name == "--horario") {
            options.horario = hour_window(*value);
        } else if (name == "--dias-bloqueados") {
            options.dias_bloqueados = weekdays(*value);
        } else if (name == "--data-hoje") {
            options.data_hoje = date_option(*value);
        } else if (name == "--port") {
            options.port = whole_number(name, *value, 65535);
        } else {
            int& size = name == "--clientes"   ? options.sizes.clientes
                        : name == "--produtos" ? options.sizes.produtos
                                               : options.sizes.tabelas;
            size = whole_number(name, *value, name == "--tabelas" ? 1000 : max_rows);
            options.sizes.sized = true;
        }
    }
    if (options.tls_cert.empty() != options.tls_key.empty())
        throw OptionsError("--tls-cert e --tls-key vão juntos: informe o certificado e a chave privada");
    if (options.exigir_assinatura && options.tls_cert.empty() && !options.permitir_http)
        throw OptionsError(
            "--exigir-assinatura sem TLS não protege nada: toda resposta traz a chave do vendedor "
            "(\"CHAVE_VENDEDOR\"), e quem escutar a rede passa a assinar como ele; use --tls-cert "
            "e --tls-key, ou --permitir-http numa rede em que ninguém escuta");
    return options;
}

bool loopback_host(const std::string& host)
{
    return host.starts_with("127.") || host == "::1" || host == "localhost";
}
