// The orders of the folder list's column sorts. The way-up row stays first; folders come
// next and sort among themselves (by name, by the bytes inside them, by their newest file);
// files without a date follow in their order; dated files come last, by the column's key,
// taken from their records so that the order is the same under every locale.
#pragma once

#include "folder_tree.h"

#include <cstdint>

namespace tessel::ui {

struct ListRow {
    const TreeNode* node;
    bool up; // the ".." row, whose node is the parent of the folder shown
    // For a folder row, while the list is sorted: the bytes of every file inside it and the
    // newest time of those files.
    std::int64_t bytesInside = 0;
    std::int32_t newestInside = 0;
};

bool IsDatedFileRow(const ListRow& row);
bool IsFolderRow(const ListRow& row);

// Fills in the keys of a folder row that the size and date sorts use.
void MeasureFolderRow(ListRow& row);

// Negative when a goes before b, positive when after, 0 when their order is kept.
// With reversed set the outcome within folders and within dated files is inverted exactly.
int CompareByName(const ListRow& a, const ListRow& b, bool reversed);
int CompareBySize(const ListRow& a, const ListRow& b, bool reversed);
int CompareByDate(const ListRow& a, const ListRow& b, bool reversed);

using RowComparison = int (*)(const ListRow&, const ListRow&, bool);

} // namespace tessel::ui
