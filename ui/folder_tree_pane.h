// The folder tree beside the list (View > Folder Tree): the package's folders, in step with
// the folder the list shows both ways.
#pragma once

#include "folder_tree.h"

#include <QTreeView>

namespace tessel::ui {

class FolderBrowser;
class FolderTreeModel;

class FolderTreePane : public QTreeView {
    Q_OBJECT
public:
    FolderTreePane(FolderBrowser& browser, QWidget* parent);

    // The folders of a package read anew (null for none), before the list shows one.
    void showPackage(const FolderTree* tree, const QString& packageName);
    // An edit changed the folders.
    void refresh();
    // Shows the list's folder as the current one, its parents opened.
    void followBrowser();

private:
    void folderChosen(const QModelIndex& current);

    FolderBrowser& browser_;
    FolderTreeModel* model_;
    bool following_ = false;
};

} // namespace tessel::ui
