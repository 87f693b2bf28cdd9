#include "folder_list_model.h"

#include "name_text.h"

#include <QDateTime>
#include <QLocale>

namespace tessel::ui {

namespace {
const char* const kHeaders[] = {"Name", "Size", "Type", "Modified"};
} // namespace

FolderListModel::FolderListModel(QObject* parent)
    : QAbstractTableModel(parent), folderIcon_(":/icons/folder16.png"), fileIcon_(":/icons/document16.png") {}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString FolderListModel::SizeText(qint64 size) { return QLocale::system().toString(size); }

QString FolderListModel::ModifiedText(qint32 timestamp) {
    // The stored seconds are wall-clock time already: read them without a zone.
    const QDate date = QDateTime::fromSecsSinceEpoch(timestamp, Qt::UTC).date();
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString FolderListModel::NameText(const std::string& bytes) {
    return QString::fromStdString(NameToUtf8(bytes));
}

QString FolderListModel::text(const Row& row, int column) const {
    if (row.up)
        return column == NameColumn ? QStringLiteral("..") : QString();
    const TreeNode& node = *row.node;
    const EntryRecord* record = node.record();
    switch (column) {
    case NameColumn:
        return NameText(node.text());
    case SizeColumn:
        return record ? SizeText(record->Size) : QString();
    case TypeColumn:
        return record ? QStringLiteral("Kyth Data File") : QStringLiteral("Folder");
    case ModifiedColumn:
        return record && record->Timestamp > 0 ? ModifiedText(record->Timestamp) : QString();
    default:
        return {};
    }
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return !row.up && row.node->isFile() ? fileIcon_ : folderIcon_;
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case NodeRole:
        return QVariant::fromValue(static_cast<void*>(row.node));
    default:
        return {};
    }
}

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

FolderTotals FolderListModel::FillFolderList(TreeNode* folder) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(folder->childCount() + 1);
    FolderTotals totals;
    std::vector<Row> folders;
    for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (const EntryRecord* record = child->record()) {
            rows_.push_back({child, false});
            ++totals.files;
            totals.bytes += record->Size;
        } else {
            folders.push_back({child, false});
            ++totals.folders;
        }
    }
    // Each folder row was inserted above the ones before it, so they read in reverse order.
    std::vector<Row> top;
    top.reserve(folders.size() + 1);
    if (folder->parent())
        top.push_back({folder->parent(), true});
    top.insert(top.end(), folders.rbegin(), folders.rend());
    rows_.insert(rows_.begin(), top.begin(), top.end());
    endResetModel();
    return totals;
}

void FolderListModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

TreeNode* FolderListModel::nodeAt(int row) const { return rows_.at(static_cast<std::size_t>(row)).node; }

bool FolderListModel::isUpRow(int row) const { return rows_.at(static_cast<std::size_t>(row)).up; }

bool FolderListModel::isDatedFileRow(int row) const {
    const Row& entry = rows_.at(static_cast<std::size_t>(row));
    return !entry.up && entry.node->isFile() && entry.node->record()->Timestamp > 0;
}

} // namespace tessel::ui
