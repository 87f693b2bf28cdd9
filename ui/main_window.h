// The main window: the menus, the toolbar, the path box, the folder list and the status
// bar, and the commands behind them. It owns the state of the program: the open
// package's path and its folder tree.
#pragma once

#include "extraction.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "folder_tree.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolBar;

namespace tessel::ui {

class DropFileSource;
class Form2;
class Form3;
class Launcher;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    const std::string& PackagePath() const { return packagePath_; }
    const tessel::FolderTree& folderTree() const { return folderTree_; }
    TreeNode* CurrentFolder() const { return currentFolder_; }

    // Opens the package at the path and shows its top level; on error the open package,
    // its path and the view stay as they were.
    void LoadPackage(const std::string& path);
    void ShowFolder(TreeNode* folder);
    // The nodes of the selected rows, top to bottom; the ".." row stands for its node, the
    // parent of the folder shown.
    std::vector<TreeNode*> SelectedNodes() const;
    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;

    // Runs a command; an error it raises is shown in the standard error box. While a run
    // is under way no command runs.
    void RunCommand(const std::function<void()>& command);
    bool busy() const { return busy_; }

    // The selected entries of the folder shown: the ".." row is not one of them.
    std::vector<TreeNode*> SelectedEntries() const;
    // Extracts the selected entries into the destination of the options dialog, or into
    // the temporary folder.
    void ExtractSelection(bool toTemp);
    // Adds a disk file or folder tree to the target folder, or to the folder shown; rows
    // appear for the new entries of the folder shown.
    void AddPath(const std::string& diskPath, TreeNode* target = nullptr);
    // Replaces the desktop launcher, as tests do.
    void setLauncher(std::unique_ptr<Launcher> launcher);
    Form2* extractDialog() const { return Form2_; }
    Form3* progressWindow() const { return Form3_; }

    QLineEdit* Edit1 = nullptr;
    FolderListView* ListView1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Exit2 = nullptr;
    QAction* About1 = nullptr;
    QAction* ToolButton3 = nullptr;
    QAction* ToolButton1 = nullptr;
    QAction* ToolButton5 = nullptr;
    QAction* ToolButton4 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* extracttoaspecifiedfolder1 = nullptr;
    QAction* viewedit1 = nullptr;
    QAction* Viewfileinnotepad1 = nullptr;
    QAction* Renamefile1 = nullptr;
    QAction* Deletefiles1 = nullptr;

    FolderListModel* listModel() const { return model_; }

    void Open1Click();
    void Exit2Click();
    void About1Click();
    void ToolButton3Click();
    void ListView1DblClick(const QModelIndex& index);
    void ListView1ColumnClick(int column);
    void ListView1SelectItem(bool selected);
    void SelectAll1Click();
    void viewedit1Click();
    void Viewfileinnotepad1Click();
    void ToolButton5Click();
    void Deletefiles1Click();
    void Renamefile1Click();
    // A drag of the selected rows was detected on the list.
    void ListView1MouseDown();
    void DropFileSource1Drop();
    void DropFileSource1AfterDrop(Qt::DropAction result);
    void DropFileTarget1Drop(const QStringList& paths);
    DropFileSource* dragSource() const { return DropFileSource1_; }

    // Each column's direction for its next sort; they belong to the window, not to a
    // folder or a package.
    bool NameSortReversed = false;
    bool SizeSortReversed = false;
    bool DateSortReversed = false;
    bool SelectAllInProgress = false;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormResize();
    void buildMenus();
    void buildToolBars();
    void buildList();
    void buildStatusBar();
    void buildPopupMenu();
    void SelectionStatistics();
    // Runs an extraction with the progress window, closed to other commands.
    void RunWithProgress(const std::function<void(const ProgressCallback&)>& run);
    // The temporary copy of the one selected file row, or empty when the selection is not
    // exactly one file.
    QString ExtractSelectedFileToTemp();
    void ShowParentFolder();
    QAction* command(const QString& text, void (Form1::*handler)());

    tessel::FolderTree folderTree_;
    std::string packagePath_;
    TreeNode* currentFolder_ = nullptr;
    FolderListModel* model_ = nullptr;
    Form2* Form2_ = nullptr;
    Form3* Form3_ = nullptr;
    std::unique_ptr<Launcher> launcher_;
    DropFileSource* DropFileSource1_ = nullptr;
    // After a move, the file manager may still be taking the items: what it leaves in the
    // temporary folder goes a little later, or at exit.
    QTimer* tempCleanup_ = nullptr;
    bool busy_ = false;
};

} // namespace tessel::ui
