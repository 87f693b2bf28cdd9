#include "folder_list_model.h"

#include "name_text.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

namespace tessel::ui {

namespace {
const char* const kHeaders[] = {"Name", "Size", "Type", "Modified", "Compared"};
const char* const kMarks[] = {"same", "added", "changed"};
} // namespace

FolderListModel::FolderListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString FolderListModel::SizeText(qint64 size) {
    return QLocale::system().toString(size);
}

QString FolderListModel::ModifiedText(qint32 timestamp) {
    // The stored seconds are wall-clock time already: read them without a zone.
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(timestamp, Qt::UTC);
    const QLocale locale = QLocale::system();
    return locale.toString(moment.date(), QLocale::ShortFormat) + " " +
           locale.toString(moment.time(), QLocale::ShortFormat);
}

QString FolderListModel::NameText(std::string_view bytes) {
    return QString::fromStdString(NameToUtf8(bytes));
}

QString FolderListModel::text(const ListRow& row, int column) const {
    if (row.up)
        return column == NameColumn ? QStringLiteral("..") : QString();
    const TreeNode& node = *row.node;
    const EntryRecord* record = node.record();
    switch (column) {
    case NameColumn:
        return NameText(node.text());
    case SizeColumn:
        return SizeText(record ? record->Size : row.bytesInside);
    case TypeColumn:
        return record ? types_.typeOf(row.node).name : types_.folder().name;
    case ModifiedColumn:
        return record && record->Timestamp > 0 ? ModifiedText(record->Timestamp) : QString();
    case ComparedColumn:
        return comparison_ ? QString(kMarks[comparison_->markOf(row.node)]) : QString();
    default:
        return {};
    }
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ListRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return !row.up && row.node->isFile() ? types_.typeOf(row.node).icon : types_.folder().icon;
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
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

void FolderListModel::setComparison(const ComparisonMarks* comparison) {
    comparison_ = comparison;
    if (!rows_.empty())
        emit dataChanged(index(0, ComparedColumn), index(rowCount() - 1, ComparedColumn));
}

void FolderListModel::FillFolderList(const TreeNode* folder, const NameFilter& filter, bool onlyDifferences) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(folder->childCount() + 1);
    std::vector<ListRow> folders;
    types_.forgetContents();
    for (const TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (!filter.matches(child->text()))
            continue;
        if (onlyDifferences && comparison_ && comparison_->markOf(child) == ComparisonMarks::Same)
            continue;
        if (child->isFile())
            rows_.push_back({child, false, 0, 0});
        else
            MeasureFolderRow(folders.emplace_back(ListRow{child, false, 0, 0}));
    }
    // Each folder row was inserted above the ones before it, so they read in reverse order.
    std::vector<ListRow> top;
    top.reserve(folders.size() + 1);
    if (folder->parent())
        top.push_back({folder->parent(), true, 0, 0});
    top.insert(top.end(), folders.rbegin(), folders.rend());
    rows_.insert(rows_.begin(), top.begin(), top.end());
    endResetModel();
}

void FolderListModel::clear() {
    beginResetModel();
    rows_.clear();
    types_.forgetContents();
    endResetModel();
}

void FolderListModel::remeasureFolders() {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (IsFolderRow(rows_[row])) {
            MeasureFolderRow(rows_[row]);
            refreshRow(static_cast<int>(row));
        }
    }
}

const TreeNode* FolderListModel::nodeAt(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).node;
}

bool FolderListModel::isUpRow(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).up;
}

bool FolderListModel::isDatedFileRow(int row) const {
    return IsDatedFileRow(rows_.at(static_cast<std::size_t>(row)));
}

int FolderListModel::rowOf(const TreeNode* node) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (!rows_[row].up && rows_[row].node == node)
            return static_cast<int>(row);
    }
    return -1;
}

void FolderListModel::appendRow(const TreeNode* node) {
    insertRowAt(rowCount(), node);
}

void FolderListModel::insertRowAt(int row, const TreeNode* node) {
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    ListRow added{node, false, 0, 0};
    if (IsFolderRow(added))
        MeasureFolderRow(added);
    rows_.insert(rows_.begin() + row, added);
    endInsertRows();
}

void FolderListModel::removeRowAt(int row) {
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void FolderListModel::refreshRow(int row) {
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void FolderListModel::sortRows(RowComparison compare, bool reversed) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return compare(rows_[std::size_t(a)], rows_[std::size_t(b)], reversed) < 0;
    });
    std::vector<ListRow> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(rows_[std::size_t(order[i])]);
        newRowOf[std::size_t(order[i])] = static_cast<int>(i);
    }
    rows_.swap(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace tessel::ui

namespace tessel::ui {

int FolderListModel::moveToSortedPlace(int row, RowComparison compare, bool reversed) {
    const ListRow moving = rows_[std::size_t(row)];
    // The other rows are in order: the place is the first of them that goes after the row,
    // found by halving, so that adding many rows to a large sorted folder stays fast.
    const auto other = [&](int k) -> const ListRow& { return rows_[std::size_t(k < row ? k : k + 1)]; };
    int place = 0, end = rowCount() - 1;
    while (place < end) {
        const int middle = (place + end) / 2;
        if (compare(other(middle), moving, reversed) <= 0)
            place = middle + 1;
        else
            end = middle;
    }
    if (place == row)
        return row;
    beginMoveRows({}, row, row, {}, place > row ? place + 1 : place);
    rows_.erase(rows_.begin() + row);
    rows_.insert(rows_.begin() + place, moving);
    endMoveRows();
    return place;
}

} // namespace tessel::ui
