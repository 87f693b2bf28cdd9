#include "folder_tree_model.h"

#include "name_text.h"

namespace tessel::ui {

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), folderIcon_(QIcon::fromTheme("folder", QIcon(":/icons/folder16.png"))) {}

void FolderTreeModel::showTree(const FolderTree* tree, const QString& packageName) {
    beginResetModel();
    tree_ = tree && !tree->empty() ? tree : nullptr;
    packageName_ = packageName;
    folders_.clear();
    rows_.clear();
    endResetModel();
}

void FolderTreeModel::refresh() {
    showTree(tree_, packageName_);
}

const std::vector<const TreeNode*>& FolderTreeModel::foldersIn(const TreeNode* folder) const {
    auto found = folders_.find(folder);
    if (found != folders_.end())
        return found->second;
    std::vector<const TreeNode*> list;
    for (const TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (child->isFolder()) {
            rows_[child] = static_cast<int>(list.size());
            list.push_back(child);
        }
    }
    return folders_.emplace(folder, std::move(list)).first->second;
}

int FolderTreeModel::rowOf(const TreeNode* folder) const {
    if (!folder->parent())
        return 0;
    foldersIn(folder->parent());
    return rows_.at(folder);
}

QModelIndex FolderTreeModel::indexOf(const TreeNode* folder) const {
    if (!tree_ || !folder)
        return {};
    return createIndex(rowOf(folder), 0, const_cast<TreeNode*>(folder));
}

const TreeNode* FolderTreeModel::folderAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!tree_ || column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, const_cast<TreeNode*>(tree_->root())) : QModelIndex();
    const std::vector<const TreeNode*>& list = foldersIn(folderAt(parent));
    if (row >= static_cast<int>(list.size()))
        return {};
    return createIndex(row, 0, const_cast<TreeNode*>(list[std::size_t(row)]));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    const TreeNode* folder = folderAt(child);
    return folder && folder->parent() ? indexOf(folder->parent()) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!tree_)
        return 0;
    if (!parent.isValid())
        return 1;
    return static_cast<int>(foldersIn(folderAt(parent)).size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* folder = folderAt(index);
    if (!folder)
        return {};
    if (role == Qt::DisplayRole)
        return folder->parent() ? QString::fromStdString(NameToUtf8(folder->text())) : packageName_;
    if (role == Qt::DecorationRole)
        return folderIcon_;
    return {};
}

} // namespace tessel::ui
