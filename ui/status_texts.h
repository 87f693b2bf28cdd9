// The status bar's texts: the totals of the folder shown and of the selection.
#pragma once

#include "folder_tree.h"

#include <QString>
#include <vector>

namespace tessel::ui {

struct Tally {
    qint64 folders = 0;
    qint64 files = 0;
    qint64 bytes = 0;
};

// The folder's own rows: its folders, its files and their bytes.
Tally FolderTally(const TreeNode* folder);
// The entries with everything inside the folders among them: files and their bytes.
Tally SelectionTally(const std::vector<TreeNode*>& entries);

QString TotalsText(const Tally& tally);
// Empty when nothing is selected.
QString SelectionText(const Tally& tally, std::size_t entries);

} // namespace tessel::ui
