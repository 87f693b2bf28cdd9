// The texts the window says about entries and files: the status bar's totals of the folder
// shown and of the selection, and the size and date of a file that a question names.
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
Tally SelectionTally(const std::vector<const TreeNode*>& entries);

QString TotalsText(const Tally& tally);
// Empty when nothing is selected.
QString SelectionText(const Tally& tally, std::size_t entries);

// "76 bytes, modified 1 Dec 2005" for an entry; the same, with the time, for a disk file.
QString EntryFacts(const TreeNode* entry);
QString DiskFileFacts(const QString& path);
// The last part of a path: how the window names packages and copies.
QString FileNameOf(const QString& path);
QString FileNameOf(const std::string& path);

} // namespace tessel::ui
