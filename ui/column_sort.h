// The column sorts of the folder list: each column's direction for its next sort, and the
// arrow shown for the sort last made. The directions belong to the window, not to a folder
// or a package.
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
    // click after; none for a column that does not sort.
    std::optional<ColumnSort> next(int column);

    bool NameSortReversed = false;
    bool SizeSortReversed = false;
    bool DateSortReversed = false;
};

} // namespace tessel::ui
