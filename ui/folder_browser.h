// The folder view of the open package: the path box, the filter bar and the list of one
// folder's rows, with the sort in force, the filter and the selection. It shows and reads;
// the commands that change the package patch its rows through it.
#pragma once

#include "column_sort.h"
#include "folder_tree.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QMainWindow;
class QModelIndex;
class QPoint;
class QToolBar;

namespace tessel::ui {

struct ComparisonMarks;
class FolderListModel;
class FolderListView;

class FolderBrowser : public QObject {
    Q_OBJECT
public:
    // Builds the path bar, the filter bar and the list into the window.
    explicit FolderBrowser(QMainWindow* window);

    FolderListView* list() const { return list_; }
    FolderListModel* model() const { return model_; }
    QLineEdit* pathBox() const { return pathBox_; }
    // Keeps the path box as wide as the window allows, never wider.
    void fitPathBox(int windowWidth);

    // The package's path, shown before the folder's in the path box.
    void setPackagePath(const QString& path) { packagePath_ = path; }
    const TreeNode* currentFolder() const { return currentFolder_; }
    // Shows the folder's rows (those the filter keeps) in the sort in force; the given row,
    // else the first entry, is made current.
    void showFolder(const TreeNode* folder, const TreeNode* current = nullptr);
    // Asked before another folder is shown: false keeps the one shown.
    void setLeaveCheck(std::function<bool()> check) { leaveCheck_ = std::move(check); }
    // The row the user looks at: the one selected row, else the current row. ".." stands for
    // the folder it goes up to; null for none.
    const TreeNode* currentNode() const;
    // The folder that holds the one shown, with the one left current.
    void showParent();
    // The folder shown and the current row, by their paths, to be found again in a tree read
    // anew.
    struct Place {
        std::string folder;
        std::string row;
    };
    Place place() const;
    // Shows the place's folder with its row current, where the tree still has them.
    void showPlace(const FolderTree& tree, const Place& place);
    // What a double-click on the row does: a folder is shown, ".." goes up, a file is
    // activated.
    void activate(const QModelIndex& index);
    // Forgets the rows: they point into a tree that is going.
    void clear();

    // The selected rows, top to bottom.
    std::vector<int> selectedRows() const;
    // The nodes of the selected rows; the ".." row stands for its node, the parent of the
    // folder shown.
    std::vector<const TreeNode*> selectedNodes() const;
    // The selected entries of the folder shown: the ".." row is not one of them.
    std::vector<const TreeNode*> selectedEntries() const;
    // The one selected row's file; null unless exactly one file row is selected.
    const TreeNode* selectedFile() const;
    // The one selected row when it is a folder or "..": where Open file goes instead.
    bool selectionIsOneFolder() const;
    void selectAll();

    // The sort of a column click, and the arrow of the sort in force.
    void sortBy(int column);
    ColumnSortState& sort() { return sort_; }
    const ColumnSortState& sort() const { return sort_; }

    // Marks the rows against another package (null ends it), showing only the rows that
    // differ when asked.
    void setComparison(std::shared_ptr<const ComparisonMarks> comparison);
    void setOnlyDifferences(bool only);
    const ComparisonMarks* comparison() const { return comparison_.get(); }

    void showFilter();
    // The filter goes: every row of the folder shows again.
    void clearFilter();

    // Patches for the commands: an entry added to the folder shown gets a row, a changed one
    // shows anew, removed ones lose theirs.
    // Added and renamed rows take their place in the sort in force; after a removal the
    // row that came next is current and selected.
    void entryAdded(const TreeNode* node);
    void entryChanged(const TreeNode* node);
    void removeRows(const std::vector<int>& rows);
    void remeasureFolders();

signals:
    void folderShown();
    // An edit changed what the folders hold.
    void foldersChanged();
    // Another row became current.
    void currentRowChanged();
    void selectionChanged();
    // A file row was double-clicked or entered.
    void fileActivated();
    void menuRequested(const QPoint& globalAt);
    void dragRequested();
    void filesDropped(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSortArrow();
    // Moves the row to where the sort in force puts it; the row where it stands now.
    int placeInSort(int row);

    QString packagePath_;
    QLineEdit* pathBox_ = nullptr;
    QToolBar* filterBar_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QLabel* filterCount_ = nullptr;
    FolderListView* list_ = nullptr;
    FolderListModel* model_ = nullptr;
    const TreeNode* currentFolder_ = nullptr;
    ColumnSortState sort_;
    // Select All and row removals report the selection once, at their end.
    bool quiet_ = false;
    std::function<bool()> leaveCheck_;
    std::shared_ptr<const ComparisonMarks> comparison_;
    bool onlyDifferences_ = false;
};

} // namespace tessel::ui
