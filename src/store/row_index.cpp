#include "row_index.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace table_storage {

namespace {

std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

std::uint64_t cell_hash(FieldType type, const CellView& v)
{
    if (type == FieldType::String) return std::hash<std::string_view>{}(v.s);
    if (v.null) return 0x5bd1e995;
    if (type == FieldType::Currency) return mix(static_cast<std::uint64_t>(v.m));
    if (type == FieldType::Float) {
        const double d = v.d == 0 ? 0.0 : v.d;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        return mix(bits);
    }
    return mix(static_cast<std::uint32_t>(v.i) + 1);
}

bool cell_equal(FieldType type, const CellView& a, const CellView& b)
{
    // Null text and empty text are the same key: both read as empty text.
    if (type == FieldType::String) return a.s == b.s;
    if (a.null || b.null) return a.null == b.null;
    if (type == FieldType::Currency) return a.m == b.m;
    if (type == FieldType::Float) return a.d == b.d;
    return a.i == b.i;
}

} // namespace

RowIndex::RowIndex(std::vector<int> fields, const RowCells& cells, std::uint32_t rows,
                   const std::vector<std::uint8_t>& deleted)
    : fields_(std::move(fields)), next_(rows, no_row), prev_(rows, no_row)
{
    for (std::uint32_t r = 0; r < rows; ++r)
        if (!deleted[r]) insert(cells, r);
}

template <typename Get> std::uint32_t RowIndex::key_hash(const RowCells& cells, Get get) const
{
    std::uint64_t h = 0x9E3779B97F4A7C15ULL;
    for (std::size_t k = 0; k < fields_.size(); ++k)
        h = mix(h ^ cell_hash(cells.fields[fields_[k]].type, get(k)));
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

template <typename Equal> std::size_t RowIndex::find_slot(std::uint32_t hash, Equal equal) const
{
    const std::size_t mask = entries_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Entry& e = entries_[i];
        if (e.head == no_row || (e.hash == hash && equal(e.head))) return i;
    }
}

bool RowIndex::rows_equal(const RowCells& cells, std::uint32_t a, std::uint32_t b) const
{
    for (int f : fields_)
        if (!cell_equal(cells.fields[f].type, cells.at(f, a), cells.at(f, b))) return false;
    return true;
}

std::size_t RowIndex::slot_of(const RowCells& cells, std::uint32_t row, std::uint32_t hash) const
{
    return find_slot(hash, [&](std::uint32_t other) { return rows_equal(cells, other, row); });
}

void RowIndex::grow()
{
    std::vector<Entry> old(entries_.size() * 2);
    old.swap(entries_);
    const std::size_t mask = entries_.size() - 1;
    for (const Entry& e : old) {
        if (e.head == no_row) continue;
        std::size_t i = e.hash & mask;
        while (entries_[i].head != no_row)
            i = (i + 1) & mask;
        entries_[i] = e;
    }
}

void RowIndex::insert(const RowCells& cells, std::uint32_t row)
{
    if (next_.size() <= row) {
        next_.resize(row + 1, no_row);
        prev_.resize(row + 1, no_row);
    }
    const std::uint32_t hash = key_hash(cells, [&](std::size_t k) { return cells.at(fields_[k], row); });
    Entry& e = entries_[slot_of(cells, row, hash)];
    next_[row] = prev_[row] = no_row;
    if (e.head == no_row) {
        e = Entry{hash, row, row};
        if (++used_ * 10 > entries_.size() * 7) grow();
        return;
    }
    if (row > e.tail) {
        next_[e.tail] = row;
        prev_[row] = e.tail;
        e.tail = row;
    } else if (row < e.head) {
        prev_[e.head] = row;
        next_[row] = e.head;
        e.head = row;
    } else {
        std::uint32_t after = e.head;
        while (next_[after] < row)
            after = next_[after];
        const std::uint32_t before = next_[after];
        next_[after] = row;
        prev_[row] = after;
        next_[row] = before;
        prev_[before] = row;
    }
}

void RowIndex::remove(const RowCells& cells, std::uint32_t row)
{
    const std::uint32_t hash = key_hash(cells, [&](std::size_t k) { return cells.at(fields_[k], row); });
    std::size_t at = slot_of(cells, row, hash);
    Entry& e = entries_[at];
    if (e.head == no_row) return;
    const std::uint32_t p = prev_[row], n = next_[row];
    (p == no_row ? e.head : next_[p]) = n;
    (n == no_row ? e.tail : prev_[n]) = p;
    if (e.head != no_row) return;
    // Backward-shift deletion keeps every probe chain unbroken.
    const std::size_t mask = entries_.size() - 1;
    entries_[at] = Entry{};
    --used_;
    for (std::size_t j = (at + 1) & mask; entries_[j].head != no_row; j = (j + 1) & mask) {
        const std::size_t home = entries_[j].hash & mask;
        const bool stays = at <= j ? (at < home && home <= j) : (at < home || home <= j);
        if (stays) continue;
        entries_[at] = entries_[j];
        entries_[j] = Entry{};
        at = j;
    }
}

bool RowIndex::key_changed(const RowCells& cells, std::uint32_t row, const std::vector<Cell>& buffer) const
{
    for (int f : fields_)
        if (!cell_equal(cells.fields[f].type, cells.at(f, row), view(buffer[f]))) return true;
    return false;
}

std::uint32_t RowIndex::first(const RowCells& cells, const std::vector<Cell>& probe) const
{
    const std::uint32_t hash = key_hash(cells, [&](std::size_t k) { return view(probe[k]); });
    const std::size_t at = find_slot(hash, [&](std::uint32_t row) {
        for (std::size_t k = 0; k < probe.size(); ++k) {
            const int f = fields_[k];
            if (!cell_equal(cells.fields[f].type, cells.at(f, row), view(probe[k]))) return false;
        }
        return true;
    });
    return entries_[at].head;
}

} // namespace table_storage
