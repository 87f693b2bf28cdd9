// The orders of the folder list's column sorts. Rows that are not dated files (the way-up
// row, folders, files without a date) stay above the dated files in both directions and
// keep their order among themselves; dated files compare by the column's key, taken from
// their records so that the order is the same under every locale.
#pragma once

#include "folder_tree.h"

namespace tessel::ui {

struct ListRow {
    TreeNode* node;
    bool up; // the ".." row, whose node is the parent of the folder shown
};

bool IsDatedFileRow(const ListRow& row);

// Negative when a goes before b, positive when after, 0 when their order is kept.
// With reversed set the outcome for two dated files is inverted exactly.
int CompareByName(const ListRow& a, const ListRow& b, bool reversed);
int CompareBySize(const ListRow& a, const ListRow& b, bool reversed);
int CompareByDate(const ListRow& a, const ListRow& b, bool reversed);

using RowComparison = int (*)(const ListRow&, const ListRow&, bool);

} // namespace tessel::ui
