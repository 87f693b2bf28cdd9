#include "column_sort.h"

#include "folder_list_model.h"

namespace tessel::ui {

std::optional<ColumnSort> ColumnSortState::next(int column) {
    bool* reversed = nullptr;
    ColumnSort sort{};
    switch (column) {
    case FolderListModel::NameColumn:
        reversed = &NameSortReversed;
        sort = {CompareByName, *reversed, *reversed ? Qt::DescendingOrder : Qt::AscendingOrder};
        break;
    case FolderListModel::SizeColumn:
        // Sizes and dates sort largest and newest first, so the arrow points the other way.
        reversed = &SizeSortReversed;
        sort = {CompareBySize, *reversed, *reversed ? Qt::AscendingOrder : Qt::DescendingOrder};
        break;
    case FolderListModel::ModifiedColumn:
        reversed = &DateSortReversed;
        sort = {CompareByDate, *reversed, *reversed ? Qt::AscendingOrder : Qt::DescendingOrder};
        break;
    default:
        return std::nullopt;
    }
    *reversed = !*reversed;
    return sort;
}

} // namespace tessel::ui
