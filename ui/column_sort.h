// The column sorts of the folder list: each column's direction for its next sort, the arrow
// shown, and the sort in force, which every folder shown next is put in. The directions
// belong to the window, not to a folder or a package.
#pragma once

#include "row_order.h"

#include <Qt>
#include <optional>

namespace tessel::ui {

struct ColumnSort {
    RowComparison compare;
    bool reversed;
    // The arrow of the sorted column.
    Qt::SortOrder shownOrder;
};

class ColumnSortState {
public:
    // The sort that a click on the column makes, turning that column's direction for the
    // click after, and making it the sort in force; none for a column that does not sort.
    std::optional<ColumnSort> next(int column);
    // Puts the sort of the column, in the direction given, in force, as a click would.
    void restore(int column, bool reversed);

    const std::optional<ColumnSort>& active() const { return active_; }
    int activeColumn() const { return activeColumn_; }

    bool NameSortReversed = false;
    bool SizeSortReversed = false;
    bool DateSortReversed = false;

private:
    // The column's direction flag; null for a column that does not sort.
    bool* flagOf(int column);

    std::optional<ColumnSort> active_;
    int activeColumn_ = -1;
};

} // namespace tessel::ui
