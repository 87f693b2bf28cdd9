// The folders of the merged tree, for the tree beside the merged list: each folder once, by
// the key of its path, spelled as the first path that reaches it spells it.
#pragma once

#include "source_comparison.h"

#include <QStandardItemModel>
#include <vector>

namespace tessel::ui {

// The role that holds a folder item's key, with a "/" at its end (empty for the top).
inline constexpr int kFolderKeyRole = Qt::UserRole + 1;

// Fills the model with the top ("All folders") and every folder below it, sorted by name.
void FillMergedFolders(QStandardItemModel& model, const std::vector<MergedPath>& paths);

} // namespace tessel::ui
