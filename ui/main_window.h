// The main window. It owns the state of the program, the open package and the folder the
// list shows, and its handlers are the commands of the menus, the toolbar and the list.
// The handlers keep the design's names and stay thin: they call one operation of the
// package and patch the list with its result. The widgets are built by WindowLayout, the
// column sorts kept by ColumnSortState, the drag of rows out by DragOut, the copies handed
// to other programs by EditedCopies.
//   main_window.cpp      start-up, opening, browsing, leaving
//   status_panels.cpp    the status bar's panels
//   view_commands.cpp    Reload, the filter, Find in package
//   window_settings.cpp  what is remembered between runs
//   extract_commands.cpp extracting, Open file and View file, copies written back, dragging out
//   edit_commands.cpp    delete, rename and files dropped in
#pragma once

#include "column_sort.h"
#include "package.h"
#include "window_layout.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QModelIndex;

namespace tessel::ui {

class DragOut;
class EditedCopies;
class Form2;
class Form3;
class Launcher;

// What a run of extraction did: the files it went through (and of those, the ones it left
// because a file was kept), the bytes, and whether it was cancelled.
struct RunOutcome {
    qint64 files = 0;
    qint64 kept = 0;
    qint64 bytes = 0;
    bool cancelled = false;
};

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The open package's path; empty until a package was opened.
    const std::string& PackagePath() const { return package_.path(); }
    const tessel::FolderTree& folderTree() const { return package_.tree(); }
    const TreeNode* CurrentFolder() const { return currentFolder_; }
    const ColumnSortState& columnSort() const { return sort_; }

    // Opens the package at the path and shows its top level; on error the open package,
    // its path and the view stay as they were.
    void LoadPackage(const std::string& path);
    // Shows the folder's rows (those the filter keeps) in the sort in force; the given
    // row, else the first entry, is made current.
    void ShowFolder(const TreeNode* folder, const TreeNode* current = nullptr);
    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;
    // The nodes of the selected rows, top to bottom; the ".." row stands for its node, the
    // parent of the folder shown.
    std::vector<const TreeNode*> SelectedNodes() const;
    // The selected entries of the folder shown: the ".." row is not one of them.
    std::vector<const TreeNode*> SelectedEntries() const;

    // Runs a command; an error it raises is shown in the standard error box, a cancel ends
    // it quietly. While a run is under way no command runs.
    void RunCommand(const std::function<void()>& command);
    bool busy() const { return busy_; }

    // Extracts the selected entries into the destination of the options dialog, asking
    // before a file there is replaced.
    void ExtractSelection();
    // Adds a disk file or folder tree to the target folder, or to the folder shown; rows
    // appear for the new entries of the folder shown.
    void AddPath(const std::string& diskPath, const TreeNode* target = nullptr);
    // Adds the paths in one run, rows appearing for new entries of the folder shown; more
    // hears of each entry added.
    void AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* target, const ProgressCallback& more);
    // Replaces the desktop launcher, as tests do.
    void setLauncher(std::unique_ptr<Launcher> launcher);

    void Open1Click();
    void Exit2Click();
    void About1Click();
    // Reads the package anew, keeping the folder shown and the current row where they are.
    void ReloadClick();
    // Lists the entries of the whole package whose names match, and shows the one chosen.
    void FindInPackageClick();
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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class DroppedPackage { Open, Add, Cancel };
    // Asks before a deletion unless the user said not to; true to go on.
    bool ConfirmDeletion(const std::vector<const TreeNode*>& nodes);
    // Names the paths that adding passed over, with why.
    void ReportSkipped(const QStringList& lines);
    // Asks what a single package dropped on the window is for while one is open.
    DroppedPackage AskAboutDroppedPackage(const QString& path);
    void connectCommands();
    void SelectionStatistics();
    void ShowParentFolder();
    void ShowTotals();
    // The arrow of the sort in force, or none.
    void ShowSortArrow();
    void ShowFilter();
    // The last result in the status bar, as rich text with links; empty clears it.
    void ShowResult(const QString& richText);
    void ResultLinkClicked(const QString& link);
    // Names, in the status bar, the entries whose data lies outside the file.
    void WarnAboutDataOutside();
    void PlaceWindow();
    void RestoreListSettings();
    void SaveSettings();
    void RememberRecent(const QString& path);
    void FillRecentMenu();
    // Runs an extraction with the progress window, closed to other commands; files in the
    // way are replaced, or asked about.
    RunOutcome RunWithProgress(const std::function<void(const ProgressObserver&)>& run,
                               bool askBeforeReplacing = false);
    // Says in the status bar what an extraction wrote and where, with a link to the folder.
    void ReportExtraction(const RunOutcome& outcome, const std::string& destination);
    // A copy of the one selected file row in a folder of its own, watched for changes; empty
    // when the selection is not exactly one file or the copy was cancelled.
    QString OpenCopyOfSelectedFile();
    // Open file and View file on one folder row (or "..") go there; true when they did.
    bool EnterSelectedFolder();
    // A copy handed to another program was saved: asks whether the package should have it.
    void CopyChanged(int id);
    // Gives the copy's entry the copy's bytes; says why not when it cannot and keeps the
    // copy. True when the package has them.
    bool UpdateFromCopy(int id);
    // On leaving: copies with changes not in the package are named and the user chooses.
    // True when the window may close.
    bool MayLeave();

    tessel::Package package_;
    const TreeNode* currentFolder_ = nullptr;
    WindowLayout ui_;
    ColumnSortState sort_;
    QString outsideDetails_;
    bool SelectAllInProgress = false;
    bool removingRows_ = false;
    Form2* Form2_ = nullptr;
    Form3* Form3_ = nullptr;
    std::unique_ptr<Launcher> launcher_;
    DragOut* dragOut_ = nullptr;
    EditedCopies* copies_ = nullptr;
    bool busy_ = false;
};

} // namespace tessel::ui
