#pragma once

#include "store/table_cells.h"

#include <cstdint>
#include <vector>

namespace table_storage {

// A hash index on a set of fields, behind locate. Open addressing over the distinct keys; rows
// sharing a key are linked in row order, so the head of a key is always its first row.
class RowIndex {
public:
    // Indexes every row below rows that is not deleted.
    RowIndex(std::vector<int> fields, const RowCells& cells, std::uint32_t rows,
             const std::vector<std::uint8_t>& deleted);

    const std::vector<int>& fields() const { return fields_; }

    void insert(const RowCells& cells, std::uint32_t row);
    // row must still hold the key it was indexed under.
    void remove(const RowCells& cells, std::uint32_t row);
    // Whether the key of row differs from the one in buffer, which holds a cell per table field.
    bool key_changed(const RowCells& cells, std::uint32_t row, const std::vector<Cell>& buffer) const;
    // The first row whose key equals probe, which holds a cell per index field; no_row for none.
    std::uint32_t first(const RowCells& cells, const std::vector<Cell>& probe) const;

private:
    struct Entry {
        std::uint32_t hash = 0;
        std::uint32_t head = no_row;
        std::uint32_t tail = no_row;
    };

    template <typename Get> std::uint32_t key_hash(const RowCells& cells, Get get) const;
    template <typename Equal> std::size_t find_slot(std::uint32_t hash, Equal equal) const;
    bool rows_equal(const RowCells& cells, std::uint32_t a, std::uint32_t b) const;
    std::size_t slot_of(const RowCells& cells, std::uint32_t row, std::uint32_t hash) const;
    void grow();

    std::vector<int> fields_;
    std::vector<Entry> entries_ = std::vector<Entry>(16);
    std::size_t used_ = 0;
    std::vector<std::uint32_t> next_;
    std::vector<std::uint32_t> prev_;
};

} // namespace table_storage
