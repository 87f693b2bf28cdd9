#include "merged_list_model.h"

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
    refill();
}

void MergedListModel::setFilter(Filter filter) {
    filter_ = filter;
    refill();
}

void MergedListModel::refill() {
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        const std::vector<Layer>& layers = paths_[i].layers;
        const bool conflict = layers.size() > 1;
        const bool differs =
            std::any_of(layers.begin() + 1, layers.end(), [](const Layer& layer) { return !layer.same; });
        if (filter_ == Filter::All || (filter_ == Filter::Conflicts && conflict) ||
            (filter_ == Filter::Differing && compared_ && differs))
            shown_.push_back(static_cast<int>(i));
    }
    endResetModel();
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
