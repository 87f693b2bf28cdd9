#include "merged_list_model.h"

#include "entry_name.h"
#include "folder_list_model.h"

#include <algorithm>

namespace tessel::ui {

namespace {
const char* const kHeaders[] = {"Path", "Size", "From", "Shadows"};
} // namespace

MergedListModel::MergedListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MergedListModel::showMerged(std::vector<MergedPath> paths, QStringList sourceNames) {
    paths_ = std::move(paths);
    sources_ = std::move(sourceNames);
    compared_ = false;
    refill();
}

void MergedListModel::setSameness(const std::vector<char>& same) {
    ApplySameness(paths_, same);
    compared_ = true;
    // Only the rows of differing copies depend on the answers: any other rows stay, with the
    // user's place and selection in them.
    if (filter_ == Filter::Differing)
        refill();
    else if (!shown_.empty())
        emit dataChanged(index(0, ShadowsColumn), index(rowCount() - 1, ShadowsColumn));
}

void MergedListModel::setFilter(Filter filter) {
    filter_ = filter;
    refill();
}

void MergedListModel::setFolder(const std::string& folderKey) {
    // A new set of sources empties the folder tree and names the top again: the rows are made
    // once, by the merged tree that follows.
    if (folderKey == folder_)
        return;
    folder_ = folderKey;
    refill();
}

void MergedListModel::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column;
    sortOrder_ = order;
    refill();
}

void MergedListModel::refill() {
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        const std::vector<Layer>& layers = paths_[i].layers;
        const std::string_view path = layers.front().file->path;
        if (!folder_.empty() && !FoldedEqual()(path.substr(0, folder_.size()), folder_))
            continue;
        const bool conflict = layers.size() > 1;
        const bool differs =
            std::any_of(layers.begin() + 1, layers.end(), [](const Layer& layer) { return !layer.same; });
        if (filter_ == Filter::All || (filter_ == Filter::Conflicts && conflict) ||
            (filter_ == Filter::Differing && compared_ && differs))
            shown_.push_back(static_cast<int>(i));
    }
    sortShown();
    endResetModel();
}

void MergedListModel::sortShown() {
    // The paths come in path order: a stable sort keeps that order among equal rows.
    auto byColumn = [this](int a, int b) {
        const MergedPath& pa = paths_[std::size_t(a)];
        const MergedPath& pb = paths_[std::size_t(b)];
        switch (sortColumn_) {
        case SizeColumn:
            return pa.winner().file->size < pb.winner().file->size;
        case FromColumn:
            return pa.winner().source < pb.winner().source;
        case ShadowsColumn:
            return pa.layers.size() < pb.layers.size();
        default:
            return a < b;
        }
    };
    if (sortColumn_ < 0 || (sortColumn_ == PathColumn && sortOrder_ == Qt::AscendingOrder))
        return;
    if (sortOrder_ == Qt::AscendingOrder)
        std::stable_sort(shown_.begin(), shown_.end(), byColumn);
    else
        std::stable_sort(shown_.begin(), shown_.end(), [&](int a, int b) { return byColumn(b, a); });
}

const MergedPath& MergedListModel::pathAt(int row) const {
    return paths_.at(std::size_t(shown_.at(std::size_t(row))));
}

int MergedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int MergedListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString MergedListModel::shadows(const MergedPath& path) const {
    QStringList over;
    for (std::size_t i = 1; i < path.layers.size(); ++i)
        over << QString("%1 (%2)").arg(sources_.value(int(path.layers[i].source)), !compared_ ? "comparing"
                                                                                   : path.layers[i].same
                                                                                       ? "same"
                                                                                       : "differs");
    return over.join(", ");
}

QVariant MergedListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const MergedPath& path = pathAt(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case PathColumn:
        return QString::fromStdString(path.winner().file->path);
    case SizeColumn:
        return FolderListModel::SizeText(path.winner().file->size);
    case FromColumn:
        return sources_.value(int(path.winner().source));
    case ShadowsColumn:
        return shadows(path);
    default:
        return {};
    }
}

QVariant MergedListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString(kHeaders[section]);
    return {};
}

} // namespace tessel::ui
