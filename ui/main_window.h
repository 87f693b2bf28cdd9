// The main window: a thin shell that owns the parts with one job each and binds the
// commands of the menus, the toolbar and the list to them. Its handlers keep the design's
// names and are one line each:
//   FolderBrowser    the path box, the filter and the list of the folder shown
//   StatusPanels     the status bar
//   CommandRunner    commands one at a time, errors shown, runs with the progress window
//   ExtractCommands  Extract, Open file, View file, dragging rows out
//   EditCommands     delete, rename, files dropped in or added
//   FileCommands     Open, New Package, Add Files and Add Folder through file dialogs
//   CompareCommands  Compare With: the rows marked against another package or folder
//   EditBack         copies handed to other programs and their changes
//   RecentPackages   File > Open Recent
// The middle of the window is a splitter: the folder tree, the views of the package (today
// the folder list, under the bar that says the package changed on disk) in a stack, and the
// preview pane.
#pragma once

#include "column_sort.h"
#include "command_runner.h"
#include "package.h"
#include "window_actions.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QModelIndex;
class QSplitter;
class QStackedWidget;

namespace tessel::ui {

class CompareCommands;
class EditBack;
class PreviewPane;
class EditCommands;
class ExtractCommands;
class FileCommands;
class FolderTreePane;
class PackageWatcher;
class FolderBrowser;
class Launcher;
class RecentPackages;
class StatusPanels;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The open package's path; empty until a package was opened.
    const std::string& PackagePath() const { return package_.path(); }
    const tessel::FolderTree& folderTree() const { return package_.tree(); }
    const TreeNode* CurrentFolder() const;
    const ColumnSortState& columnSort() const;

    // Opens the package at the path and shows its top level; on error the open package,
    // its path and the view stay as they were.
    void LoadPackage(const std::string& path);
    // Shows the folder's rows (those the filter keeps) in the sort in force; the given
    // row, else the first entry, is made current.
    void ShowFolder(const TreeNode* folder, const TreeNode* current = nullptr);
    std::vector<int> SelectedRows() const;
    std::vector<const TreeNode*> SelectedNodes() const;
    std::vector<const TreeNode*> SelectedEntries() const;

    void RunCommand(const std::function<void()>& command) { runner_->run(command); }
    bool busy() const { return runner_->busy(); }

    void ExtractSelection();
    // Adds a disk file or folder tree to the target folder, or to the folder shown.
    void AddPath(const std::string& diskPath, const TreeNode* target = nullptr);
    void AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* target,
                  const ProgressCallback& more);
    void setLauncher(std::unique_ptr<Launcher> launcher);

    void Open1Click();
    void NewPackageClick();
    // The merged view of the packages and folders, the first taking precedence; with one
    // folder given, of every package in it.
    void ShowOverlay(const QStringList& sources);
    void AddFilesClick();
    void AddFolderClick();
    void Exit2Click();
    void About1Click();
    // Reads the package anew, keeping the folder shown and the current row where they are.
    void ReloadClick();
    // Lists the entries of the whole package whose names match, and shows the one chosen.
    void FindInPackageClick();
    void ListView1DblClick(const QModelIndex& index);
    void ListView1ColumnClick(int column);
    void ListView1SelectItem();
    void SelectAll1Click();
    void PreviewClick(bool shown);
    PreviewPane* previewPane() const { return preview_; }
    void viewedit1Click();
    void Viewfileinnotepad1Click();
    void ToolButton5Click();
    void Deletefiles1Click();
    void Renamefile1Click();
    void ListView1MouseDown();
    void DropFileSource1Drop();
    void DropFileSource1AfterDrop(Qt::DropAction result);
    void DropFileTarget1Drop(const QStringList& paths);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectCommands();
    void connectComparison();
    // Names, in the status bar, the entries whose data lies outside the file.
    void warnAboutDataOutside();
    bool mayLeave();

    tessel::Package package_;
    WindowActions actions_;
    FolderBrowser* browser_ = nullptr;
    StatusPanels* status_ = nullptr;
    CommandRunner* runner_ = nullptr;
    // Where the views of the package stand, and what may come beside them.
    QSplitter* mainArea_ = nullptr;
    QStackedWidget* views_ = nullptr;
    EditBack* editBack_ = nullptr;
    ExtractCommands* extracts_ = nullptr;
    EditCommands* edits_ = nullptr;
    FileCommands* files_ = nullptr;
    CompareCommands* compare_ = nullptr;
    RecentPackages* recent_ = nullptr;
    PreviewPane* preview_ = nullptr;
    FolderTreePane* folderTree_ = nullptr;
    PackageWatcher* watcher_ = nullptr;
};

} // namespace tessel::ui
