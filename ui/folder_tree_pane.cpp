#include "folder_tree_pane.h"

#include "folder_browser.h"
#include "folder_tree_model.h"

#include <QHeaderView>

namespace tessel::ui {

FolderTreePane::FolderTreePane(FolderBrowser& browser, QWidget* parent)
    : QTreeView(parent), browser_(browser), model_(new FolderTreeModel(this)) {
    setObjectName("FolderTree");
    setAccessibleName("Folder tree");
    setAccessibleDescription("The package's folders; choosing one shows it in the list");
    setModel(model_);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &FolderTreePane::folderChosen);
}

void FolderTreePane::showPackage(const FolderTree* tree, const QString& packageName) {
    following_ = true;
    model_->showTree(tree, packageName);
    following_ = false;
    // The list's folder is still one of the tree that went: the list's next folder is
    // followed instead.
    expand(model_->index(0, 0));
}

void FolderTreePane::refresh() {
    following_ = true;
    model_->refresh();
    following_ = false;
    expand(model_->index(0, 0));
    followBrowser();
}

void FolderTreePane::followBrowser() {
    const QModelIndex shown = model_->indexOf(browser_.currentFolder());
    if (!shown.isValid() || shown == currentIndex())
        return;
    following_ = true;
    for (QModelIndex above = shown.parent(); above.isValid(); above = above.parent())
        expand(above);
    setCurrentIndex(shown);
    scrollTo(shown);
    following_ = false;
}

void FolderTreePane::folderChosen(const QModelIndex& current) {
    const TreeNode* folder = model_->folderAt(current);
    if (following_ || !folder || folder == browser_.currentFolder())
        return;
    browser_.showFolder(folder);
    // A folder the list would not leave stays current here too.
    followBrowser();
}

} // namespace tessel::ui
