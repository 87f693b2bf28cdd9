#include "main_window.h"

#include "compare_commands.h"
#include "edit_back.h"
#include "edit_commands.h"
#include "entry_bytes.h"
#include "entry_path.h"
#include "extract_commands.h"
#include "file_commands.h"
#include "find_dialog.h"
#include "folder_browser.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "folder_tree_pane.h"
#include "launcher.h"
#include "overlay_window.h"
#include "package_watcher.h"
#include "preview_pane.h"
#include "recent_packages.h"
#include "status_panels.h"
#include "status_texts.h"
#include "tessel_version.h"
#include "window_context.h"
#include "window_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

// The pictures are compiled into the window's library; a static library must register them.
static void InitResources() {
    Q_INIT_RESOURCE(tessel);
}

namespace tessel::ui {

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName("Form1");
    setWindowTitle(kWindowTitle);
    QIcon icon;
    icon.addFile(":/icons/tessel16.png");
    icon.addFile(":/icons/tessel32.png");
    setWindowIcon(icon);
    actions_.build(this);
    browser_ = new FolderBrowser(this);
    views_ = new QStackedWidget(this);
    views_->setObjectName("Views");
    views_->addWidget(browser_->list());
    watcher_ = new PackageWatcher(package_, this);
    auto* middle = new QWidget(this);
    auto* column = new QVBoxLayout(middle);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(watcher_);
    column->addWidget(views_, 1);
    folderTree_ = new FolderTreePane(*browser_, this);
    mainArea_ = new QSplitter(Qt::Horizontal, this);
    mainArea_->setObjectName("MainArea");
    mainArea_->setChildrenCollapsible(false);
    mainArea_->addWidget(folderTree_);
    mainArea_->addWidget(middle);
    setCentralWidget(mainArea_);
    status_ = new StatusPanels(this);
    actions_.buildMenus(this);
    actions_.attachListShortcuts(browser_->list());
    runner_ = new CommandRunner(this);
    runner_->setReload([this] { ReloadClick(); });
    runner_->setBeforeCommand([this] { status_->clearResult(); });
    const WindowContext context{this, package_, *browser_, *status_, *runner_};
    editBack_ = new EditBack(context);
    extracts_ = new ExtractCommands(context, *editBack_);
    edits_ = new EditCommands(context, [this](const std::string& path) { LoadPackage(path); });
    compare_ = new CompareCommands(context);
    files_ = new FileCommands(context, *edits_, [this](const std::string& path) { LoadPackage(path); });
    recent_ = new RecentPackages(actions_.recentMenu);
    preview_ = new PreviewPane(context);
    mainArea_->addWidget(preview_);
    connectCommands();
    connect(actions_.preview, &QAction::toggled, this, &Form1::PreviewClick);
    connect(actions_.folderTree, &QAction::toggled, folderTree_, &QWidget::setVisible);
    connectComparison();
    connect(watcher_, &PackageWatcher::reloadRequested, this,
            [this] { RunCommand([this] { ReloadClick(); }); });
    // Types the names do not tell are read from the entries' first bytes.
    browser_->model()->setHeadReader([this](const TreeNode* entry, int count) {
        try {
            return EntryBytes(package_, entry).read(0, count);
        } catch (const std::exception&) {
            return std::string();
        }
    });
    PlaceWindow(*this);
    RestoreListSettings(*browser_);
    RestorePaneSettings(*mainArea_, *folderTree_, *preview_);
    actions_.preview->setChecked(!preview_->isHidden());
    actions_.folderTree->setChecked(!folderTree_->isHidden());
    actions_.setEditable(false, "Open a package first");
    // The keyboard starts in the list, not in the path box before it.
    browser_->list()->setFocus();
}

Form1::~Form1() {
    // The rows point into the tree: drop them first.
    browser_->clear();
    folderTree_->showPackage(nullptr, {});
}

void Form1::connectCommands() {
    const std::pair<QAction*, void (Form1::*)()> commands[] = {
        {actions_.open, &Form1::Open1Click},
        {actions_.exit, &Form1::Exit2Click},
        {actions_.about, &Form1::About1Click},
        {actions_.extract, &Form1::ToolButton5Click},
        {actions_.selectAll, &Form1::SelectAll1Click},
        {actions_.openFile, &Form1::viewedit1Click},
        {actions_.viewFile, &Form1::Viewfileinnotepad1Click},
        {actions_.rename, &Form1::Renamefile1Click},
        {actions_.deleteEntries, &Form1::Deletefiles1Click},
        {actions_.reload, &Form1::ReloadClick},
        {actions_.findInPackage, &Form1::FindInPackageClick},
        {actions_.newPackage, &Form1::NewPackageClick},
        {actions_.addFiles, &Form1::AddFilesClick},
        {actions_.addFolder, &Form1::AddFolderClick},
    };
    for (const auto& [action, handler] : commands)
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunCommand([&] { (this->*handler)(); }); });
    connect(actions_.up, &QAction::triggered, this,
            [this] { RunCommand([this] { browser_->showParent(); }); });
    connect(actions_.filter, &QAction::triggered, browser_, &FolderBrowser::showFilter);

    // A double-click and Enter reach the browser through the list; the runner keeps them
    // out while a run is under way.
    connect(browser_, &FolderBrowser::fileActivated, this,
            [this] { RunCommand([this] { viewedit1Click(); }); });
    connect(browser_, &FolderBrowser::dragRequested, this,
            [this] { RunCommand([this] { ListView1MouseDown(); }); });
    connect(browser_, &FolderBrowser::filesDropped, this, &Form1::DropFileTarget1Drop);
    connect(browser_, &FolderBrowser::selectionChanged, this, &Form1::ListView1SelectItem);
    connect(browser_, &FolderBrowser::folderShown, this, [this] {
        status_->showTotals(browser_->currentFolder());
        status_->showSelection({});
        folderTree_->followBrowser();
    });
    connect(browser_, &FolderBrowser::foldersChanged, folderTree_, &FolderTreePane::refresh);
    connect(browser_, &FolderBrowser::menuRequested, this,
            [this](const QPoint& at) { actions_.entryMenu->popup(at); });
    connect(recent_, &RecentPackages::chosen, this,
            [this](const QString& path) { RunCommand([&] { LoadPackage(path.toStdString()); }); });
}

void Form1::connectComparison() {
    connect(actions_.openFolderOfPackages, &QAction::triggered, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, "Open Folder of Packages");
        if (!folder.isEmpty())
            ShowOverlay({folder});
    });
    connect(actions_.compareWithPackage, &QAction::triggered, this,
            [this] { RunCommand([this] { compare_->compareWithPackage(); }); });
    connect(actions_.compareWithFolder, &QAction::triggered, this,
            [this] { RunCommand([this] { compare_->compareWithFolder(); }); });
    connect(actions_.endComparison, &QAction::triggered, compare_, &CompareCommands::end);
    connect(actions_.onlyDifferences, &QAction::toggled, browser_, &FolderBrowser::setOnlyDifferences);
    connect(compare_, &CompareCommands::comparing, this, [this](bool on) {
        actions_.endComparison->setEnabled(on);
        actions_.onlyDifferences->setEnabled(on);
        if (!on)
            actions_.onlyDifferences->setChecked(false);
    });
    // The marks are of the package as it was: an edit ends the comparison.
    connect(browser_, &FolderBrowser::foldersChanged, compare_, &CompareCommands::end);
}

void Form1::ShowOverlay(const QStringList& sources) {
    auto* overlay = new OverlayWindow(this);
    overlay->setWindowFlag(Qt::Window);
    connect(overlay, &OverlayWindow::showInPackage, this,
            [this](const QString& package, const QString& entry) {
                RunCommand([&] {
                    LoadPackage(package.toStdString());
                    if (const TreeNode* found = FindEntry(package_.tree(), entry.toStdString()))
                        ShowFolder(found->parent(), found);
                });
                activateWindow();
            });
    if (sources.size() == 1 && QFileInfo(sources.first()).isDir())
        overlay->openFolderOfPackages(sources.first());
    else
        overlay->setSources(sources);
    overlay->show();
}

void Form1::PreviewClick(bool shown) {
    if (!preview_->setShown(shown))
        actions_.preview->setChecked(true);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    browser_->fitPathBox(frameGeometry().width());
}

const TreeNode* Form1::CurrentFolder() const {
    return browser_->currentFolder();
}

const ColumnSortState& Form1::columnSort() const {
    return browser_->sort();
}

void Form1::Open1Click() {
    files_->open();
}

void Form1::LoadPackage(const std::string& path) {
    if (!preview_->mayLeave())
        return;
    // The rows and the pane point into the tree that a load replaces: they are filled anew
    // at once, and a comparison of the old tree ends.
    preview_->forget();
    compare_->end();
    package_.LoadPackage(path);
    const bool readOnly = !package_.readOnlyReason().empty();
    setWindowTitle(FileNameOf(package_.path()) + (readOnly ? " (read-only)" : "") + " - " + kWindowTitle);
    actions_.setEditable(
        !readOnly,
        QString("The package is read-only: %1").arg(QString::fromStdString(package_.readOnlyReason())));
    recent_->remember(QString::fromStdString(package_.path()));
    // The folder tree points into the tree too: it takes the new one before the list shows
    // a folder of it.
    folderTree_->showPackage(&package_.tree(), FileNameOf(package_.path()));
    status_->showResult({});
    status_->showPackageTotals(package_.tree().root());
    browser_->setPackagePath(QString::fromStdString(package_.path()));
    browser_->showFolder(package_.tree().root());
    watcher_->watchOpenPackage();
    warnAboutDataOutside();
    if (!package_.recoveryNote().empty()) {
        QString note = QString::fromStdString(package_.recoveryNote()) + ".";
        note[0] = note[0].toUpper();
        QMessageBox::information(this, "Tessel", note);
    }
}

void Form1::warnAboutDataOutside() {
    std::vector<QString> paths;
    for (const TreeNode* node : package_.EntriesOutsideTheFile())
        paths.push_back(QString::fromStdString(EntryPath(node)));
    status_->warnAboutDataOutside(paths);
}

void Form1::ShowFolder(const TreeNode* folder, const TreeNode* current) {
    browser_->showFolder(folder, current);
}

std::vector<int> Form1::SelectedRows() const {
    return browser_->selectedRows();
}

std::vector<const TreeNode*> Form1::SelectedNodes() const {
    return browser_->selectedNodes();
}

std::vector<const TreeNode*> Form1::SelectedEntries() const {
    return browser_->selectedEntries();
}

void Form1::ReloadClick() {
    if (!package_.isOpen())
        return;
    const FolderBrowser::Place place = browser_->place();
    LoadPackage(package_.path());
    browser_->showPlace(package_.tree(), place);
}

void Form1::FindInPackageClick() {
    if (!package_.isOpen())
        return;
    FindDialog dialog(package_.tree(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosen())
        return;
    const TreeNode* entry = dialog.chosen();
    // A filter that would hide the entry goes.
    browser_->clearFilter();
    ShowFolder(entry->parent(), entry);
}

void Form1::NewPackageClick() {
    files_->newPackage();
}

void Form1::AddFilesClick() {
    files_->addFiles();
}

void Form1::AddFolderClick() {
    files_->addFolder();
}

void Form1::ExtractSelection() {
    extracts_->extractSelection();
}
void Form1::AddPath(const std::string& diskPath, const TreeNode* target) {
    AddPaths({diskPath}, target ? target : browser_->currentFolder(), {});
}
void Form1::AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* target,
                     const ProgressCallback& more) {
    edits_->addPaths(diskPaths, target, more);
}
void Form1::setLauncher(std::unique_ptr<Launcher> launcher) {
    extracts_->setLauncher(std::move(launcher));
}
void Form1::ListView1DblClick(const QModelIndex& index) {
    browser_->activate(index);
}
void Form1::ListView1ColumnClick(int column) {
    browser_->sortBy(column);
}
void Form1::ListView1SelectItem() {
    status_->showSelection(browser_->selectedEntries());
}
void Form1::SelectAll1Click() {
    browser_->selectAll();
}
void Form1::viewedit1Click() {
    extracts_->openFile();
}
void Form1::Viewfileinnotepad1Click() {
    extracts_->viewFile();
}
void Form1::ToolButton5Click() {
    extracts_->extract();
}
void Form1::Deletefiles1Click() {
    edits_->deleteSelection();
}
void Form1::Renamefile1Click() {
    edits_->renameSelection();
}
void Form1::ListView1MouseDown() {
    extracts_->startDrag();
}
void Form1::DropFileSource1Drop() {
    extracts_->dropOut();
}
void Form1::DropFileSource1AfterDrop(Qt::DropAction result) {
    extracts_->afterDrop(result);
}
void Form1::DropFileTarget1Drop(const QStringList& paths) {
    edits_->drop(paths);
}

bool Form1::mayLeave() {
    if (!preview_->mayLeave() || !editBack_->mayLeave())
        return false;
    SaveWindowSettings(*this, *browser_);
    SavePaneSettings(*mainArea_, *folderTree_, *preview_);
    return true;
}

void Form1::Exit2Click() {
    if (mayLeave())
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!mayLeave())
        return event->ignore();
    event->accept();
}

void Form1::About1Click() {
    QMessageBox::information(
        this, "About Tessel",
        QString("%1\n\nBrowse and edit VP packages: the single files in which games keep "
                "their data files.\n\nCopyright 2026 the Tessel developers.\nTessel "
                "is free software under the GNU General Public License, version 3 "
                "or (at your option) any later version; it comes with no warranty.")
            .arg(kWindowTitle));
}

} // namespace tessel::ui
