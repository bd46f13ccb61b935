#pragma once

#include "store/table.h"

// A load appends row after row, each becoming current, so a grid showing the table would end on
// the last one. Held for the length of a load, it puts back the row that was current, or makes the
// first row current when there was none.
class KeptRow {
public:
    explicit KeptRow(Table& table) : table_(table), was_(table.current_visible()) {}
    ~KeptRow() { table_.set_current_visible(was_ >= 0 ? was_ : 0); }
    KeptRow(const KeptRow&) = delete;
    KeptRow& operator=(const KeptRow&) = delete;

private:
    Table& table_;
    int was_;
};
