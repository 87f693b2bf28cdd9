// The folders of the open package as a tree for the folder tree pane: the package itself at
// the top, each folder below its parent. A folder's child folders are listed when the view
// first asks for them, so that painting never walks the whole tree.
#pragma once

#include "folder_tree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <unordered_map>
#include <vector>

namespace tessel::ui {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);

    // Shows the tree's folders under the package's name; null shows nothing.
    void showTree(const FolderTree* tree, const QString& packageName);
    // The folders changed: everything is asked for anew.
    void refresh();

    QModelIndex indexOf(const TreeNode* folder) const;
    const TreeNode* folderAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    // The folder's child folders in directory order, listed on first use.
    const std::vector<const TreeNode*>& foldersIn(const TreeNode* folder) const;
    int rowOf(const TreeNode* folder) const;

    const FolderTree* tree_ = nullptr;
    QString packageName_;
    QIcon folderIcon_;
    mutable std::unordered_map<const TreeNode*, std::vector<const TreeNode*>> folders_;
    mutable std::unordered_map<const TreeNode*, int> rows_;
};

} // namespace tessel::ui
