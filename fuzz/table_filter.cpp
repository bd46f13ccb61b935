// A filter expression from outside applied to a small table of every field type, then the rows walked.
#include "core/errors.h"
#include "fuzz_support.h"
#include "store/table.h"

#include <QRegularExpression>

#include <memory>
#include <optional>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    start_qt();
    return 0;
}

namespace {

const char* const rows[][5] = {
    {"1", "MERCEARIA SAO JOSE LTDA", "1500,00", "2,5", "15/01/2024"},
    {"2", "Padaria D'Oeste", "0", "0,125", "29/02/2024"},
    {"10", "PADARIA 100% NATURAL", "", "", ""},
    {"-7", "José & Filhos", "99999999,99", "-1", "31/12/1999"},
    {"2147483647", "", "0,01", "1e3", "01/01/2049"},
};

// Whole-text match, '%' standing for any run of characters: match[j] tells whether the text read
// so far matches the first j characters of the pattern.
bool like_matches(const QString& text, const QString& pattern)
{
    std::vector<char> match(static_cast<std::size_t>(pattern.size()) + 1, 0);
    match[0] = 1;
    for (qsizetype j = 0; j < pattern.size() && pattern[j] == u'%'; ++j)
        match[static_cast<std::size_t>(j) + 1] = 1;
    for (const QChar c : text) {
        std::vector<char> next(match.size(), 0);
        for (qsizetype j = 0; j < pattern.size(); ++j) {
            const auto k = static_cast<std::size_t>(j);
            if (pattern[j] == u'%')
                next[k + 1] = match[k + 1] || next[k] || match[k];
            else
                next[k + 1] = match[k] && pattern[j] == c;
        }
        match = std::move(next);
    }
    return match.back();
}

// The rows a filter of either form lets through, read plainly from its text; nothing for any other text.
std::optional<int> expected_rows(const QString& expression)
{
    static const QRegularExpression equal(QStringLiteral(R"(^\s*CLI_ID\s*=\s*([+-]?[0-9]+)\s*$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression like(QStringLiteral(R"(^\s*CLI_NOME\s+LIKE\s*'((?:[^']|'')*)'\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    int count = 0;
    if (const auto m = equal.match(expression); m.hasMatch()) {
        bool ok = false;
        const qint64 number = m.captured(1).toLongLong(&ok);
        if (!ok) return std::nullopt;
        for (const auto& row : rows)
            count += QString::fromUtf8(row[0]).toLongLong() == number;
        return count;
    }
    if (const auto m = like.match(expression); m.hasMatch()) {
        const QString pattern = m.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"));
        for (const auto& row : rows)
            count += like_matches(QString::fromUtf8(row[1]), pattern);
        return count;
    }
    return std::nullopt;
}

std::unique_ptr<Table> make_table()
{
    auto table =
        std::make_unique<Table>(QStringLiteral("tblCliente"),
                                std::vector<FieldDef>{{QStringLiteral("CLI_ID"), FieldType::Integer},
                                                      {QStringLiteral("CLI_NOME"), FieldType::String, 40},
                                                      {QStringLiteral("CLI_LIMITE"), FieldType::Currency},
                                                      {QStringLiteral("CLI_PESO"), FieldType::Float},
                                                      {QStringLiteral("CLI_DTA_CADASTRO"), FieldType::Date}},
                                Regional::brazil());
    Table& t = *table;
    for (const auto& row : rows) {
        t.append();
        for (int f = 0; f < 5; ++f) {
            try {
                t.set_text(f, std::string_view(row[f]));
            } catch (const ConversionError&) {
            }
        }
        t.post();
    }
    return table;
}

int walk(Table& t)
{
    int seen = 0;
    for (t.first(); !t.eof(); t.next()) {
        if (++seen > t.record_count()) fuzz_fail("the walk saw more rows than the table counts");
        for (int f = 0; f < t.field_count(); ++f)
            (void)t.as_text(f);
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::unique_ptr<Table> made = make_table();
    Table& table = *made;
    table.set_filtered(false);
    table.set_filter(QStringLiteral("CLI_NOME LIKE 'PADARIA%'"));
    table.set_filtered(true);
    const int before = table.record_count();
    const QString expression = QString::fromUtf8(as_text(data, size));
    const std::optional<int> expected = expected_rows(expression);
    try {
        table.set_filter(expression);
    } catch (const ConversionError&) {
        if (expected) fuzz_fail("a well-formed filter was refused");
        if (table.filter() != QStringLiteral("CLI_NOME LIKE 'PADARIA%'") || table.record_count() != before)
            fuzz_fail("a filter that cannot be read changed the table");
        return 0;
    }
    if (table.record_count() < 0 || table.record_count() > 5)
        fuzz_fail("the filter counts rows the table has not");
    if (expected && table.record_count() != *expected)
        fuzz_fail("the filter let through other rows",
                  std::to_string(table.record_count()) + " rows instead of " + std::to_string(*expected));
    if (walk(table) != table.record_count()) fuzz_fail("the walk saw fewer rows than the table counts");
    for (int row = 0; row < table.record_count(); ++row)
        for (int f = 0; f < table.field_count(); ++f)
            (void)table.value_at(row, f);
    table.set_current_visible(table.record_count() - 1);
    if (table.record_count() > 0 && table.current_visible() != table.record_count() - 1)
        fuzz_fail("the last visible row cannot be made current");
    return 0;
}
