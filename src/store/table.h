#pragma once

#include "core/money.h"
#include "core/regional.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

enum class FieldType : std::uint8_t { Integer, String, Float, Currency, Date };

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    // Maximum length of a string field in characters; longer text is cut to it.
    int size = 0;
};

// An in-memory table of typed fields, shared by screens, loaders and grids.
//
// Rows keep the order in which they were appended. The current row is the one that reads and
// edit() act on; it may be a row hidden by the filter (locate() searches every row). Writes go to
// a row buffer that post() stores and cancel() drops. Moving to another row (append, edit of
// another row, first, next, locate, delete, a filter change, empty) while a row is being inserted
// or edited drops the unposted changes: only a write that failed half-way leaves a row unposted.
//
// Reads of a null field, or with no current row, give 0, empty text or a null date. Failed
// conversions raise ConversionError; misuse (unknown field, write outside insert or edit state)
// raises Error.
class Table : public QObject {
    Q_OBJECT

public:
    enum class State : std::uint8_t { Browse, Insert, Edit };

    Table(QString name, std::vector<FieldDef> fields, Regional regional, QObject* parent = nullptr);
    ~Table() override;

    const QString& name() const;
    const Regional& regional() const;
    int field_count() const;
    const FieldDef& field(int index) const;
    // Field names match without regard to case; an unknown name raises Error.
    int field_index(QStringView name) const;

    State state() const;

    void append();
    void edit();
    void post();
    void cancel();
    void delete_current();
    // Removes every row; the filter stays as it is.
    void empty();
    // Replaces every row with those of other, which must have the same fields, and leaves other
    // empty. Each table keeps its own filter; models see one reset. Lets a load fill a spare table
    // and swap it in only once it has succeeded.
    void take_rows(Table& other);
    void reserve(int rows);

    // Writes into the row being inserted or edited. A number written into an integer field is
    // rounded half to even; a currency field holds an amount exactly, four decimals. Text into an
    // integer, float, currency or date field is converted with the regional settings (into a
    // currency field exactly, as decimal text), empty text leaving the field null; text longer than
    // a string field is cut to its size.
    void set_integer(int field, qint64 value);
    void set_money(int field, Money value);
    // The nearest amount of four decimals; ConversionError beyond the range of an amount.
    void set_currency(int field, double value);
    void set_text(int field, QStringView text);
    void set_text(int field, std::string_view utf8);
    void set_date(int field, const QDate& date);
    void set_integer(QStringView field, qint64 value) { set_integer(field_index(field), value); }
    void set_money(QStringView field, Money value) { set_money(field_index(field), value); }
    void set_currency(QStringView field, double value) { set_currency(field_index(field), value); }
    void set_text(QStringView field, QStringView text) { set_text(field_index(field), text); }
    void set_text(QStringView field, std::string_view utf8) { set_text(field_index(field), utf8); }
    void set_date(QStringView field, const QDate& date) { set_date(field_index(field), date); }

    // Reads of the current row (of the row buffer while inserting or editing).
    bool is_null(int field) const;
    int as_integer(int field) const;
    QString as_text(int field) const;
    // An amount of four decimals: a currency field as held, a float field through its shortest
    // decimal text, a string field's text read exactly with the decimal separator.
    Money as_money(int field) const;
    // as_money as a double, for what is no amount.
    double as_float(int field) const;
    QDate as_date(int field) const;
    bool is_null(QStringView field) const { return is_null(field_index(field)); }
    int as_integer(QStringView field) const { return as_integer(field_index(field)); }
    QString as_text(QStringView field) const { return as_text(field_index(field)); }
    Money as_money(QStringView field) const { return as_money(field_index(field)); }
    double as_float(QStringView field) const { return as_float(field_index(field)); }
    QDate as_date(QStringView field) const { return as_date(field_index(field)); }

    // Walking the visible rows.
    void first();
    void next();
    bool eof() const;
    int record_count() const;

    // Makes the first row (visible or not) whose fields equal the values current. fields is one
    // name or several separated by ';', values one per name; text values convert to the field's
    // type with the regional settings, and a null QVariant matches a null field.
    bool locate(QStringView fields, const QVariantList& values);
    bool locate(QStringView field, const QVariant& value);

    // Two forms: "field = <whole number>" and "field LIKE '<text>%'" (quote doubled inside, '%'
    // any run of characters, case-sensitive). An expression that cannot be read raises
    // ConversionError when it is applied, and then nothing changes.
    void set_filter(const QString& expression);
    const QString& filter() const;
    void set_filtered(bool on);
    bool filtered() const;

    // Position of the current row among the visible rows; -1 when there is none, when it is
    // hidden, or while a new row is being inserted.
    int current_visible() const;
    // Any position out of range leaves no current row.
    void set_current_visible(int row);

    // Raw value of a visible row: int, double, QString or QDate; a null QVariant for a null field.
    QVariant value_at(int row, int field) const;
    // A visible row's value read as by as_money; nothing for a null field or a row out of range.
    std::optional<Money> money_at(int row, int field) const;

Q_SIGNALS:
    // Structural changes are announced before and after, as item models need them.
    void about_to_reset();
    void reset_done();
    void row_about_to_be_inserted(int row);
    void row_inserted(int row);
    void row_about_to_be_removed(int row);
    void row_removed(int row);
    void row_changed(int row);
    // Emitted after every move and after every change of the visible rows.
    void current_changed(int row);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
