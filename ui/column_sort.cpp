#include "column_sort.h"

#include "folder_list_model.h"

namespace tessel::ui {

bool* ColumnSortState::flagOf(int column) {
    switch (column) {
    case FolderListModel::NameColumn:
        return &NameSortReversed;
    case FolderListModel::SizeColumn:
        return &SizeSortReversed;
    case FolderListModel::ModifiedColumn:
        return &DateSortReversed;
    default:
        return nullptr;
    }
}

std::optional<ColumnSort> ColumnSortState::next(int column) {
    bool* reversed = flagOf(column);
    if (!reversed)
        return std::nullopt;
    ColumnSort sort{};
    if (column == FolderListModel::NameColumn) {
        sort = {CompareByName, *reversed, *reversed ? Qt::DescendingOrder : Qt::AscendingOrder};
    } else {
        // Sizes and dates sort largest and newest first, so the arrow points the other way.
        sort = {column == FolderListModel::SizeColumn ? CompareBySize : CompareByDate, *reversed,
                *reversed ? Qt::AscendingOrder : Qt::DescendingOrder};
    }
    *reversed = !*reversed;
    active_ = sort;
    activeColumn_ = column;
    return sort;
}

void ColumnSortState::restore(int column, bool reversed) {
    if (bool* flag = flagOf(column)) {
        *flag = reversed;
        next(column);
    }
}

} // namespace tessel::ui
