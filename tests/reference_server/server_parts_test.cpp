#include "background_work.h"
#include "boleto.h"
#include "compressed_lists.h"
#include "database.h"
#include "document_layouts.h"
#include "list_versions.h"
#include "order_replies.h"
#include "pdf_check.h"
#include "pdf_writer.h"
#include "product_cache.h"
#include "receivable_filter.h"
#include "reply_pieces.h"
#include "request_values.h"
#include "schema.h"
#include "temp_folder.h"

#include <zlib.h>
#include <zstd.h>

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono;
using namespace Qt::StringLiterals;

namespace {

TEST(RequestValues, decimals_read_with_a_comma_or_a_full_stop)
{
    struct Case {
        const char* text;
        int decimals;
        std::optional<std::int64_t> value;
    } const cases[]{
        {"2,00", 2, 200},
        {"2.00", 2, 200},
        {"100,5", 2, 10050},
        {"0,005", 2, 1},
        {"0,004", 2, 0},
        {"-0,005", 2, -1},
        {"7", 3, 7000},
        {"2,5", 3, 2500},
        {"1.234,56", 2, {}},
        {"1,234.56", 2, {}},
        {"", 2, {}},
        {"-", 2, {}},
        {",5", 2, {}},
        {"2,", 2, {}},
        {" 2,00", 2, {}},
        {"2,00 ", 2, {}},
        {"1e3", 2, {}},
        {"+2", 2, {}},
        {"9999999999999", 2, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_decimal(c.text, c.decimals), c.value) << c.text;
}

TEST(RequestValues, dates_read_in_either_order_with_the_regional_separator)
{
    const sys_days march_15 = year(2024) / March / 15;
    struct Case {
        const char* text;
        DateOrder order;
        std::optional<sys_days> day;
    } const cases[]{
        {"15/03/2024", DateOrder::DayMonthYear, march_15},
        {"15-03-2024", DateOrder::DayMonthYear, march_15},
        {"15.03.2024", DateOrder::DayMonthYear, march_15},
        {"03/15/2024", DateOrder::MonthDayYear, march_15},
        {"03-15-2024", DateOrder::MonthDayYear, march_15},
        {"15/03/2024", DateOrder::MonthDayYear, {}},
        {"31/02/2024", DateOrder::DayMonthYear, {}},
        {"15/03-2024", DateOrder::DayMonthYear, {}},
        {"2024-03-15", DateOrder::DayMonthYear, {}},
        {"5/3/2024", DateOrder::DayMonthYear, {}},
        {"29/02/2023", DateOrder::DayMonthYear, {}},
        {"29/02/2024", DateOrder::DayMonthYear, year(2024) / 2 / 29},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_date(c.text, c.order), c.day) << c.text;
}

TEST(SendingRules, the_hour_window_includes_both_ends_and_blocked_days_win)
{
    const auto at = [](int hour, int minute, int weekday) {
        LocalTime t;
        t.minute_of_day = hour * 60 + minute;
        t.weekday = weekday;
        return t;
    };
    const SendingRules office{8 * 60, 17 * 60, {0, 6}};
    const SendingRules night{22 * 60, 6 * 60, {}};
    struct Case {
        const char* what;
        SendingRules rules;
        LocalTime now;
        bool allowed;
        std::optional<int> blocked_day;
    } const cases[]{
        {"demo, midnight", SendingRules{}, at(0, 0, 3), true, {}},
        {"demo, last minute", SendingRules{}, at(23, 59, 6), true, {}},
        {"opening minute", office, at(8, 0, 1), true, {}},
        {"closing minute", office, at(17, 0, 4), true, {}},
        {"a minute late", office, at(17, 1, 4), false, {}},
        {"too early", office, at(7, 59, 2), false, {}},
        {"saturday at noon", office, at(12, 0, 6), false, 6},
        {"sunday at night", office, at(23, 0, 0), false, 0},
        {"night window, late", night, at(23, 30, 3), true, {}},
        {"night window, early", night, at(5, 0, 3), true, {}},
        {"night window, day", night, at(12, 0, 3), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SendingVerdict verdict = check_sending_time(c.rules, c.now);
        EXPECT_EQ(verdict.allowed, c.allowed);
        EXPECT_EQ(verdict.blocked_day, c.blocked_day);
    }
}

TEST(ReceivableFilter, keywords_in_any_case_and_precedence_as_in_sql)
{
    const ReceivableFilter filter(
        "cre_pagamento = 'BOLETO' and not cre_status = 'Pago' OR cre_status IN ('X')");
    EXPECT_TRUE(filter.matches("Em Aberto", "BOLETO"));
    EXPECT_FALSE(filter.matches("Pago", "BOLETO"));
    EXPECT_FALSE(filter.matches("Em Aberto", "PIX"));
    EXPECT_TRUE(filter.matches("X", "PIX"));
    try {
        ReceivableFilter("cre_status = 'a' ; drop");
        ADD_FAILURE() << "accepted";
    } catch (const ReceivableFilter::Invalid& e) {
        EXPECT_STREQ(e.what(), "FILTRO inválido: caractere não permitido na posição 18");
    }
}

// A slip worked out by hand: bank 237, currency 9, due 15 March 2024 (343 days before factor 9999 on
// 21 February 2025, so factor 9656), R$ 150,00, free field agency 1234, carteira 09, our number
// 00000012345, account 0012345 and a final 0. Field 1 "237912340": from the right 0x2, 4x1, 3x2, 2x1,
// 1x2, 9x1, 7x2 (14: 1+4), 3x1, 2x2 sum to 35, check digit 5.
TEST(Boleto, bar_code_and_typed_line_of_a_slip_worked_out_by_hand)
{
    const std::string free_field = "1234"
                                   "09"
                                   "00000012345"
                                   "0012345"
                                   "0";
    struct Case {
        sys_days due;
        std::int64_t cents;
        const char* bar_code;
        const char* line;
    } const cases[]{
        {year(2024) / March / 15, 15000, "23796965600000150001234090000001234500123450",
         "23791.23405 90000.001231 45001.234504 6 96560000015000"},
        // After the factor passed 9999 it started again at 1000 on 22 February 2025.
        {year(2026) / December / 10, 123456, "23799165600001234561234090000001234500123450",
         "23791.23405 90000.001231 45001.234504 9 16560000123456"},
    };
    for (const Case& c : cases) {
        const std::string code = bar_code({"237", c.cents, c.due, free_field});
        EXPECT_EQ(code, c.bar_code);
        EXPECT_EQ(typed_line(code), c.line);
    }
    EXPECT_EQ(due_factor(year(2025) / February / 21), "9999");
    EXPECT_EQ(due_factor(year(2025) / February / 22), "1000");
    EXPECT_EQ(due_factor(year(1997) / October / 6), "0000");
    // 11 less the weighted sum modulo 11; 0, 10 and 11 become 1. "5": 10, so 1; "6": 12 % 11 = 1, so
    // 10, so 1; "11": 1*2 + 1*3 = 5, so 6.
    for (const auto& [digits, check] :
         {std::pair{"1", 9}, std::pair{"0", 1}, std::pair{"5", 1}, std::pair{"6", 1}, std::pair{"11", 6}})
        EXPECT_EQ(modulo11(digits), check) << digits;
}

// Bank 237's check digits worked out by hand: weights 2 to 7 from the right, repeating; 11 less the
// remainder of the sum by 11, but '0' for remainder 0 and 'P' for remainder 1. In "09" + "1000000000x",
// the 1 has weight 6 and the 9 weight 7: 69 before the last digits.
TEST(Boleto, check_digits_of_the_nosso_numero_and_the_account_by_the_banks_rule)
{
    const struct {
        const char* digits;
        char check;
    } cases[]{
        {"0910000000001", '6'}, // 69 + 1x2 = 71, remainder 5
        {"0910000000014", '8'}, // 69 + 1x3 + 4x2 = 80, remainder 3
        {"0910000000686", '3'}, // 69 + 6x4 + 8x3 + 6x2 = 129, remainder 8
        {"0910000001247", '2'}, // 69 + 1x5 + 2x4 + 4x3 + 7x2 = 108, remainder 9
        {"0910000000310", '4'}, // 69 + 3x4 + 1x3 = 84, remainder 7
        {"0910000000004", '0'}, // 69 + 4x2 = 77, remainder 0
        {"0910000000013", 'P'}, // 69 + 1x3 + 3x2 = 78, remainder 1
        {"0012345", '5'},       // 5x2 + 4x3 + 3x4 + 2x5 + 1x6 = 50, remainder 6
    };
    for (const auto& c : cases)
        EXPECT_EQ(check_digit_237(c.digits), c.check) << c.digits;
}

TEST(Boleto, interleaved_2_of_5_puts_the_first_digit_in_the_bars_and_the_second_in_the_spaces)
{
    // 1 is wide-narrow-narrow-narrow-wide, 2 narrow-wide-narrow-narrow-wide; start and stop guards.
    EXPECT_EQ(interleaved_2_of_5("12"),
              (std::vector<int>{1, 1, 1, 1, 3, 1, 1, 3, 1, 1, 1, 1, 3, 3, 3, 1, 1}));
    EXPECT_THROW(interleaved_2_of_5("123"), std::invalid_argument);
    EXPECT_THROW(bar_code({"237", 10'000'000'000LL, year(2024) / 1 / 1, std::string(25, '0')}),
                 std::invalid_argument);
}

// A reply written by a worker: what the sender gets, and which failures can still be answered with
// their own status (before the first piece is taken) and which can only cut the connection (after).
TEST(ReplyPieces, the_sender_gets_every_piece_in_order_and_a_failure_where_it_can_still_answer_it)
{
    std::vector<std::thread> workers;
    const ReplyPieces::Runner run = [&](std::function<void()> task) {
        workers.emplace_back(std::move(task));
    };
    const auto fail_with = [](std::exception_ptr) { return ReplyPieces::Failure{500, "falhou", "disco"}; };
    const std::string row(1000, 'x');
    // Writes rows as a catalogue does, handing pieces over; throws at row `fail_at` (-1: never).
    const auto writer = [&](int fail_at) {
        return [&row, fail_at](ReplyPieces& pieces) {
            std::string out = "[";
            for (int i = 0; i < 600; ++i) {
                if (i == fail_at) throw std::runtime_error("disco");
                out += row;
                pieces.hand_over_if_full(out);
            }
            out += "]";
            pieces.hand_over(out);
        };
    };
    // Takes the next piece as the server does, waiting for the writer's call when there is none yet.
    const auto take = [](ReplyPieces& pieces, std::string& piece) {
        for (;;) {
            std::promise<void> woken;
            std::future<void> wake = woken.get_future();
            const ReplyPieces::Next got = pieces.next(piece, [&woken] { woken.set_value(); });
            if (got != ReplyPieces::Next::NotYet) return got;
            wake.wait();
        }
    };

    {
        auto pieces = ReplyPieces::start(run, Codec::None, writer(-1), fail_with);
        std::string got, piece;
        int count = 0;
        while (take(*pieces, piece) == ReplyPieces::Next::Piece) {
            EXPECT_LE(piece.size(), ReplyPieces::kPieceBytes + row.size());
            got += piece;
            ++count;
        }
        EXPECT_EQ(got, "[" + std::string(600 * row.size(), 'x') + "]");
        EXPECT_GE(count, 3);
        EXPECT_EQ(pieces->plain_bytes(), got.size());
    }
    {
        // Failing before the sender took anything: its status and message can still go out.
        auto pieces = ReplyPieces::start(run, Codec::None, writer(400), fail_with);
        for (std::thread& w : workers)
            w.join();
        workers.clear();
        std::string piece;
        EXPECT_EQ(take(*pieces, piece), ReplyPieces::Next::Failed);
        EXPECT_FALSE(pieces->any_taken());
        EXPECT_EQ(pieces->failure().status, 500);
        EXPECT_EQ(pieces->failure().body, "falhou");
    }
    {
        // Failing after a piece was taken: the sender learns it once it has sent what it took.
        std::promise<void> first_taken;
        auto taken = first_taken.get_future().share();
        auto pieces = ReplyPieces::start(
            run, Codec::None,
            [&](ReplyPieces& p) {
                std::string out(ReplyPieces::kPieceBytes, 'x');
                p.hand_over(out);
                taken.wait();
                throw std::runtime_error("disco");
            },
            fail_with);
        std::string piece;
        EXPECT_EQ(take(*pieces, piece), ReplyPieces::Next::Piece);
        first_taken.set_value();
        EXPECT_EQ(take(*pieces, piece), ReplyPieces::Next::Failed);
        EXPECT_EQ(pieces->failure().cause, "disco");
    }
    // A sender that goes away mid-reply leaves the writer to finish on its own.
    ReplyPieces::start(run, Codec::None, writer(-1), fail_with).reset();
    for (std::thread& w : workers)
        w.join();
}

namespace {

std::string zstd_inflated(const std::string& bytes)
{
    std::string out;
    ZSTD_DStream* stream = ZSTD_createDStream();
    ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
    char buffer[65536];
    while (in.pos < in.size) {
        ZSTD_outBuffer o{buffer, sizeof buffer, 0};
        if (ZSTD_isError(ZSTD_decompressStream(stream, &o, &in))) break;
        out.append(buffer, o.pos);
    }
    ZSTD_freeDStream(stream);
    return out;
}

// As an HTTP client reads gzip: one member, whose trailer must match what it inflated to.
std::string gzip_inflated(const std::string& bytes)
{
    z_stream z{};
    inflateInit2(&z, 15 + 32);
    std::string out(1 << 22, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    out.resize(status == Z_STREAM_END && z.avail_in == 0 ? z.total_out : 0);
    inflateEnd(&z);
    return out;
}

} // namespace

// The product list is written once per change of the catalogue, by one caller however many ask at
// once, and its compressed forms with anyone's tail inflate to the very text.
TEST(ProductCache, written_once_per_change_and_compressed_forms_inflate_to_the_text)
{
    TempFolder folder;
    const std::string path = folder.path(u"cache.db"_s).toStdString();
    {
        Database db(path);
        db.transaction([&] { create_schema(db); });
        ensure_list_versions(db);
        db.exec("INSERT INTO empresa VALUES ('Teste', 'Teste Ltda')");
    }
    BackgroundWork background;
    ProductCache cache(background);
    std::atomic<int> writes = 0;
    const auto write = [&](std::string& head) {
        ++writes;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        head = "{\"result\":[{\"PRODUTOS\":{" + std::string(300000, 'p') + std::to_string(writes.load());
    };
    std::vector<std::thread> callers;
    std::vector<std::shared_ptr<const ProductCache::Entry>> got(8);
    for (std::size_t i = 0; i < got.size(); ++i)
        callers.emplace_back([&, i] {
            Database db(path);
            got[i] = cache.get(db, "Teste", write);
        });
    for (std::thread& t : callers)
        t.join();
    EXPECT_EQ(writes, 1);
    for (const auto& entry : got)
        EXPECT_EQ(entry, got[0]);

    background.settle();
    const std::string tail = R"(},"CHAVE_VENDEDOR":"Teste1"}]})";
    const std::string whole = got[0]->head() + tail;
    const std::optional<std::string> zstd = got[0]->encoded(Codec::Zstd, tail);
    const std::optional<std::string> gzip = got[0]->encoded(Codec::Gzip, tail);
    ASSERT_TRUE(zstd && gzip);
    EXPECT_LT(zstd->size(), 1000u);
    EXPECT_EQ(zstd_inflated(*zstd), whole);
    EXPECT_EQ(gzip_inflated(*gzip), whole);
    EXPECT_EQ(gzip_inflated(*got[0]->encoded(Codec::Gzip, "x")), got[0]->head() + "x");

    Database db(path);
    EXPECT_EQ(cache.get(db, "Teste", write), got[0]);
    // Any change of a catalogue table makes the next call write it anew.
    db.exec("INSERT INTO tabela_preco VALUES ('Teste', 1, 'TABELA 1')");
    const auto changed = cache.get(db, "Teste", write);
    EXPECT_EQ(writes, 2);
    EXPECT_NE(changed, got[0]);
    db.exec("UPDATE tabela_preco SET tab_descricao = 'TABELA UM'");
    cache.get(db, "Teste", write);
    EXPECT_EQ(writes, 3);
}

// A salesperson's client list is kept compressed for the version its rows had: a change of their
// clients, and of nobody else's, makes it wanted again; past the bound the least used goes.
TEST(CompressedLists, kept_per_version_and_codec_within_the_bound)
{
    TempFolder folder;
    Database db(folder.path(u"versions.db"_s).toStdString());
    db.transaction([&] { create_schema(db); });
    ensure_list_versions(db);
    db.exec("INSERT INTO empresa VALUES ('E', 'E Ltda');"
            "INSERT INTO vendedor (emp_codigo, ven_id, ven_nome, ven_chave) VALUES ('E', '1', 'Um', 'k1'), "
            "('E', '2', 'Dois', 'k2');"
            "INSERT INTO cliente (emp_codigo, cli_id, ven_id, cli_razao) VALUES ('E', 1, '1', 'A'), "
            "('E', 2, '2', 'B')");
    const auto version = [&](const char* ven_id) { return client_list_version(db, "E", ven_id); };
    const std::int64_t one = version("1"), two = version("2");
    db.exec("UPDATE cliente SET cli_razao = 'A2' WHERE cli_id = 1");
    EXPECT_GT(version("1"), one);
    EXPECT_EQ(version("2"), two);
    db.exec("UPDATE cliente SET ven_id = '2' WHERE cli_id = 1");
    EXPECT_GT(version("2"), two);
    EXPECT_EQ(version("9"), 0);

    BackgroundWork background;
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += std::to_string(i * 7919 % 100003) + ',';
    std::atomic<int> writes = 0;
    const auto write = [&] {
        ++writes;
        return text;
    };
    // Room for two lists of this text, not three.
    const std::size_t one_list = [&] {
        CompressedLists probe(background, 1u << 30);
        probe.prepare("p", 1, Codec::Gzip, write);
        background.settle();
        EXPECT_EQ(gzip_inflated(probe.find("p", 1, Codec::Gzip)->with_tail("x")), text + "x");
        probe.prepare("p", 1, Codec::Zstd, write);
        background.settle();
        return probe.bytes() - probe.find("p", 1, Codec::Gzip)->bytes();
    }();
    writes = 0;
    CompressedLists lists(background, one_list * 5 / 2);
    EXPECT_EQ(lists.find("a", 1, Codec::Zstd), nullptr);
    lists.prepare("a", 1, Codec::Zstd, write);
    lists.prepare("a", 1, Codec::Zstd, write); // on its way already
    lists.prepare("b", 1, Codec::Zstd, write);
    background.settle();
    EXPECT_EQ(writes, 2);
    lists.prepare("a", 1, Codec::Zstd, write); // kept already
    EXPECT_EQ(writes, 2);
    const auto a = lists.find("a", 1, Codec::Zstd);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(lists.find("a", 2, Codec::Zstd), nullptr);
    EXPECT_EQ(lists.find("a", 1, Codec::Gzip), nullptr);
    EXPECT_EQ(zstd_inflated(a->with_tail("]}")), text + "]}");

    lists.find("a", 1, Codec::Zstd); // a used after b
    lists.prepare("c", 1, Codec::Zstd, write);
    background.settle();
    EXPECT_NE(lists.find("a", 1, Codec::Zstd), nullptr);
    EXPECT_EQ(lists.find("b", 1, Codec::Zstd), nullptr);
    EXPECT_NE(lists.find("c", 1, Codec::Zstd), nullptr);
    EXPECT_LE(lists.bytes(), one_list * 5 / 2);

    // A list that cannot be written is asked for again by the next download.
    lists.prepare("d", 1, Codec::Zstd, []() -> std::string { throw std::runtime_error("banco"); });
    background.settle();
    lists.prepare("d", 1, Codec::Zstd, write);
    background.settle();
    EXPECT_NE(lists.find("d", 1, Codec::Zstd), nullptr);
}

// A payer with a long name keeps their CNPJ whole in both parts of the slip, and the beneficiary's
// address is on both.
TEST(DocumentLayouts, a_slip_prints_the_payers_document_whole_and_the_beneficiarys_address)
{
    SlipContent slip;
    slip.bank_code = "237-2";
    slip.bar_code = bar_code({"237", 15000, sys_days(year(2026) / December / 10), std::string(25, '1')});
    slip.typed_line = typed_line(slip.bar_code);
    slip.beneficiary = "Distribuidora Teste Ltda - CNPJ 11.222.333/0001-81";
    slip.beneficiary_address = "Av. das Indústrias, 1500 - Campinas / SP";
    slip.payer = "Comercial de Alimentos e Bebidas Irmãos Albuquerque de Vasconcelos Ltda";
    slip.payer_document = "CNPJ/CPF 91.266.184/0001-00";
    slip.document_number = "8001 1/2";
    slip.our_number = "09/10000000001-6";
    const CheckedPdf pdf = render_pdf(QByteArray::fromStdString(slip_pdf(slip)));
    EXPECT_EQ(pdf.text.count(u"91.266.184/0001-00"_s), 2) << pdf.text.toStdString();
    EXPECT_EQ(pdf.text.count(u"Av. das Indústrias, 1500"_s), 2) << pdf.text.toStdString();
}

// A group of rows that runs onto the next page opens it with its heading again; a group that starts
// a page, or one whose total has been printed, does not.
TEST(DocumentLayouts, a_group_broken_by_a_page_repeats_its_heading)
{
    TableReport report("RELATÓRIO", "Empresa", {"Cabeçalho"}, {{"Título", 200}, {"Valor", 100, true}});
    report.group("9201 - Empório Fixture");
    for (int i = 0; i < 80; ++i)
        report.row({"linha " + std::to_string(i), "1,00"});
    report.total({"Total do cliente", "80,00"});
    report.group("9202 - Outro Cliente");
    report.row({"outra", "2,00"});
    report.total({"Total do cliente", "2,00"});
    const CheckedPdf pdf = render_pdf(QByteArray::fromStdString(report.finish("11/12/2026")));
    ASSERT_EQ(pdf.pages, 2);
    const QStringList pages = pdf.text.split(u'\f');
    const qsizetype again = pages[1].indexOf(u"9201 - Empório Fixture (continuação)"_s);
    EXPECT_GE(again, 0) << pages[1].toStdString();
    EXPECT_LT(again, pages[1].indexOf(u"linha 7"_s));
    EXPECT_FALSE(pages[0].contains(u"(continuação)"_s));
    EXPECT_FALSE(pages[1].contains(u"Outro Cliente (continuação)"_s));
}

TEST(PdfWriter, pages_of_latin_text_come_back_from_a_reader)
{
    EXPECT_EQ(win_ansi("ção€—\xF0\x9F\x98\x80"), std::string("\xE7\xE3o\x80\x97?"));

    PdfDocument pdf;
    pdf.new_page();
    pdf.text(40, 60, 12, "Relatório de ação (teste) \\ ok", PdfDocument::Font::Bold);
    pdf.box(40, 80, 200, 40);
    pdf.new_page();
    pdf.text_right(500, 60, 10, "Página 2 — São João");
    pdf.fill(40, 80, 10, 30, 0.5);
    const CheckedPdf read = render_pdf(QByteArray::fromStdString(pdf.finish("Título")));
    EXPECT_EQ(read.pages, 2);
    EXPECT_TRUE(read.text.contains(u"Relatório de ação (teste) \\ ok"_s)) << read.text.toStdString();
    EXPECT_TRUE(read.text.contains(u"Página 2 — São João"_s)) << read.text.toStdString();

    EXPECT_EQ(PdfDocument::fit("Açaí", 1000, 10), "Açaí");
    const std::string cut = PdfDocument::fit("Açaí Açaí Açaí", PdfDocument::text_width("Açaí...", 10), 10);
    EXPECT_EQ(cut, "Açaí...");
}

} // namespace
