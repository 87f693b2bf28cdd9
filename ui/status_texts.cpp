#include "status_texts.h"

#include "folder_list_model.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace tessel::ui {

namespace {

void Count(Tally& tally, const TreeNode* node) {
    if (const EntryRecord* record = node->record()) {
        ++tally.files;
        tally.bytes += record->Size;
    } else {
        ++tally.folders;
    }
}

} // namespace

Tally FolderTally(const TreeNode* folder) {
    Tally tally;
    for (const TreeNode* child = folder->firstChild(); child; child = child->nextSibling())
        Count(tally, child);
    return tally;
}

Tally SelectionTally(const std::vector<const TreeNode*>& entries) {
    Tally tally;
    for (const TreeNode* entry : entries) {
        for (const TreeNode* walk : Subtree(entry))
            Count(tally, walk);
    }
    return tally;
}

QString TotalsText(const Tally& tally) {
    return QString("Total %1 folders and %2 Bytes in %3 files")
        .arg(tally.folders)
        .arg(FolderListModel::SizeText(tally.bytes))
        .arg(tally.files);
}

QString SelectionText(const Tally& tally, std::size_t entries) {
    if (entries == 0)
        return {};
    return QString("Selected %1 Bytes in %2 files")
        .arg(FolderListModel::SizeText(tally.bytes))
        .arg(tally.files);
}

QString EntryFacts(const TreeNode* entry) {
    const EntryRecord* record = entry->record();
    return QString("%1 bytes, modified %2")
        .arg(FolderListModel::SizeText(record->Size), FolderListModel::ModifiedText(record->Timestamp));
}

QString DiskFileFacts(const QString& path) {
    const QFileInfo info(path);
    return QString("%1 bytes, modified %2")
        .arg(FolderListModel::SizeText(info.size()),
             QLocale().toString(info.lastModified(), QLocale::ShortFormat));
}

QString FileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

QString FileNameOf(const std::string& path) {
    return FileNameOf(QString::fromStdString(path));
}

} // namespace tessel::ui
