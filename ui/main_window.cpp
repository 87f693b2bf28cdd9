#include "main_window.h"

#include "adding.h"
#include "drop_file_source.h"
#include "error_box.h"
#include "extract_dialog.h"
#include "launcher.h"
#include "name_text.h"
#include "package_loader.h"
#include "progress_window.h"
#include "rewriting.h"
#include "run_guard.h"
#include "temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <exception>

// The pictures are compiled into the window's library; a static library must register them.
static void InitResources() {
    Q_INIT_RESOURCE(tessel);
}

namespace tessel::ui {

namespace {

constexpr int kDesignedWidth = 737;
constexpr int kDesignedHeight = 364;
constexpr int kDesignedLeft = 222;
constexpr int kDesignedTop = 226;
constexpr int kPathBoxInset = 9;
constexpr int kToolButtonWidth = 69;
constexpr int kToolButtonHeight = 54;
constexpr int kToolBarLead = 8;
constexpr int kSelectionPanelWidth = 200;
constexpr int kColumnWidths[] = {300, 80, 110, 150};
constexpr int kTempCleanupDelayMs = 15000;

const char* const kAboutText = "Tessel, made by the Tessel developers, 2005.\n\n"
                               "Questions, ideas and packages to share are welcome at the modding "
                               "community's forum: https://forum.tessel.example.org/";

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName("Form1");
    setWindowTitle("Tessel 0.3b");
    QIcon icon;
    icon.addFile(":/icons/tessel16.png");
    icon.addFile(":/icons/tessel32.png");
    setWindowIcon(icon);
    resize(kDesignedWidth, kDesignedHeight);
    move(kDesignedLeft, kDesignedTop);
    buildMenus();
    buildToolBars();
    buildList();
    buildStatusBar();
    buildPopupMenu();
    FormCreate();
    // The two other windows come after the main window, hidden.
    Form2_ = new Form2(this);
    Form3_ = new Form3(this);
    launcher_ = std::make_unique<DesktopLauncher>();
    DropFileSource1_ = new DropFileSource;
    DropFileSource1_->setParent(this);
    DropFileSource1_->Drop = [this] { DropFileSource1Drop(); };
    DropFileSource1_->AfterDrop = [this](Qt::DropAction result) { DropFileSource1AfterDrop(result); };
    tempCleanup_ = new QTimer(this);
    tempCleanup_->setSingleShot(true);
    tempCleanup_->setInterval(kTempCleanupDelayMs);
    connect(tempCleanup_, &QTimer::timeout, this, [] { DeleteFolder(TempFolderPath()); });
}

Form1::~Form1() {
    if (tempCleanup_->isActive())
        DeleteFolder(TempFolderPath());
    // The rows point into the tree: drop them first.
    model_->clear();
}

QAction* Form1::command(const QString& text, void (Form1::*handler)()) {
    auto* action = new QAction(text, this);
    if (handler)
        connect(action, &QAction::triggered, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    return action;
}

void Form1::buildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    Open1 = command("Open..", &Form1::Open1Click);
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Open1->setIcon(QIcon(":/icons/folder16.png"));
    file->addAction(Open1);
    file->addSeparator();
    Exit2 = command("Exit", &Form1::Exit2Click);
    file->addAction(Exit2);
    About1 = command("About", &Form1::About1Click);
    menuBar()->addAction(About1);
}

void Form1::buildToolBars() {
    ToolBar1 = addToolBar("ToolBar1");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(48, 48));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* lead = new QWidget(ToolBar1);
    lead->setFixedWidth(kToolBarLead);
    ToolBar1->addWidget(lead);

    ToolButton3 = command("Up", &Form1::ToolButton3Click);
    ToolButton3->setIcon(QIcon(":/icons/up48.png"));
    ToolButton1 = new QAction(QIcon(":/icons/extract48.png"), "Open..", this);
    connect(ToolButton1, &QAction::triggered, Open1, &QAction::trigger);
    ToolButton5 = command("Extract", &Form1::ToolButton5Click);
    ToolButton5->setIcon(QIcon(":/icons/red48.png"));
    ToolButton4 = command("Delete files", nullptr);
    ToolButton4->setIcon(QIcon(":/icons/delete48.png"));
    for (QAction* action : {ToolButton3, ToolButton1, ToolButton5, ToolButton4}) {
        action->setToolTip(QString());
        ToolBar1->addAction(action);
        ToolBar1->widgetForAction(action)->setFixedSize(kToolButtonWidth, kToolButtonHeight);
    }

    addToolBarBreak();
    ToolBar2 = addToolBar("ToolBar2");
    ToolBar2->setObjectName("ToolBar2");
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setContentsMargins(0, 0, 0, 0);
    ToolBar2->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar2->layout()->setSpacing(0);
    Edit1 = new QLineEdit("..", ToolBar2);
    Edit1->setObjectName("Edit1");
    Edit1->setReadOnly(true);
    Edit1->setEnabled(false);
    Edit1->setFrame(false);
    Edit1->setMinimumWidth(0);
    Edit1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ToolBar2->addWidget(Edit1);
}

void Form1::buildList() {
    ListView1 = new FolderListView(this);
    ListView1->setObjectName("ListView1");
    model_ = new FolderListModel(ListView1);
    ListView1->setModel(model_);
    QHeaderView* header = ListView1->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    for (int column = 0; column < FolderListModel::ColumnCount; ++column)
        ListView1->setColumnWidth(column, kColumnWidths[column]);
    setCentralWidget(ListView1);

    auto guarded = [this](auto handler) {
        return [this, handler](auto&&... args) { RunCommand([&] { handler(args...); }); };
    };
    connect(ListView1, &QAbstractItemView::doubleClicked, this,
            guarded([this](const QModelIndex& index) { ListView1DblClick(index); }));
    connect(ListView1, &FolderListView::rowEntered, this,
            guarded([this](const QModelIndex& index) { ListView1DblClick(index); }));
    connect(ListView1, &FolderListView::parentRequested, this, guarded([this] { ShowParentFolder(); }));
    connect(ListView1, &FolderListView::dragRequested, this, guarded([this] { ListView1MouseDown(); }));
    connect(ListView1, &FolderListView::filesDropped, this,
            [this](const QStringList& paths) { DropFileTarget1Drop(paths); });
    connect(header, &QHeaderView::sectionClicked, this,
            guarded([this](int column) { ListView1ColumnClick(column); }));
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                ListView1SelectItem(!selected.isEmpty());
            });
}

void Form1::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setFixedWidth(kSelectionPanelWidth);
    StatusPanel1 = new QLabel(bar);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1, 1);
}

void Form1::buildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    SelectAll1 = command("Select All", &Form1::SelectAll1Click);
    SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    extracttoaspecifiedfolder1 = new QAction("Extract to a specified folder", this);
    connect(extracttoaspecifiedfolder1, &QAction::triggered, ToolButton5, &QAction::trigger);
    viewedit1 = command("Open file", &Form1::viewedit1Click);
    Viewfileinnotepad1 = command("View file", &Form1::Viewfileinnotepad1Click);
    Renamefile1 = command("Rename file", &Form1::Renamefile1Click);
    Deletefiles1 = command("Delete files", &Form1::Deletefiles1Click);
    Deletefiles1->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(ToolButton4, &QAction::triggered, Deletefiles1, &QAction::trigger);

    PopupMenu1->addAction(SelectAll1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(extracttoaspecifiedfolder1);
    PopupMenu1->addAction(viewedit1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Viewfileinnotepad1);
    PopupMenu1->addAction(Renamefile1);
    PopupMenu1->addAction(Deletefiles1);
    // The shortcuts of the pop-up menu act while the list has the focus.
    for (QAction* action : {SelectAll1, Deletefiles1}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        ListView1->addAction(action);
    }
    connect(ListView1, &FolderListView::menuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at)); });
}

void Form1::FormCreate() {
    // The folder tree lives as long as the window; it is created empty.
    folderTree_.clear();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Form1::FormResize() {
    // The box grows with the bar that carries it up to the outer width less 9 pixels, and
    // shrinks with it, so that it never holds the window at its width.
    Edit1->setMaximumWidth(std::max(0, frameGeometry().width() - kPathBoxInset));
}

void Form1::RunCommand(const std::function<void()>& command) {
    if (busy_)
        return;
    try {
        command();
    } catch (const std::exception& error) {
        ShowErrorBox(this, QString::fromStdString(error.what()));
    }
}

void Form1::Open1Click() {
    QFileDialog dialog(this, "Open", QString(), "VP Files (*.vp)");
    dialog.setObjectName("OpenDialog1");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    LoadPackage(dialog.selectedFiles().first().toStdString());
    Edit1->setText(QString::fromStdString(packagePath_));
}

void Form1::LoadPackage(const std::string& path) {
    tessel::LoadPackage(path, folderTree_);
    packagePath_ = path;
    ShowFolder(folderTree_.root());
}

void Form1::ShowFolder(TreeNode* folder) {
    Edit1->setText(QString::fromStdString(packagePath_) + "/" +
                   FolderListModel::NameText(GetFolderPath(folder, 1)));
    const FolderTotals totals = model_->FillFolderList(folder);
    currentFolder_ = folder;
    ListView1->header()->setSortIndicatorShown(false);
    StatusPanel1->setText(QString("Total %1 folders and %2 Bytes in %3 files")
                              .arg(totals.folders)
                              .arg(FolderListModel::SizeText(totals.bytes))
                              .arg(totals.files));
}

std::vector<int> Form1::SelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : ListView1->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<TreeNode*> Form1::SelectedNodes() const {
    std::vector<TreeNode*> nodes;
    for (const int row : SelectedRows())
        nodes.push_back(model_->nodeAt(row));
    return nodes;
}

void Form1::ListView1DblClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    TreeNode* node = model_->nodeAt(index.row());
    if (!model_->isUpRow(index.row()) && node->isFile())
        viewedit1Click();
    else
        ShowFolder(node);
}

void Form1::ShowParentFolder() {
    if (currentFolder_ && currentFolder_->parent())
        ShowFolder(currentFolder_->parent());
}

void Form1::ListView1ColumnClick(int column) {
    bool* reversed = nullptr;
    RowComparison compare = nullptr;
    Qt::SortOrder shownOrder = Qt::AscendingOrder;
    switch (column) {
    case FolderListModel::NameColumn:
        reversed = &NameSortReversed;
        compare = CompareByName;
        shownOrder = NameSortReversed ? Qt::DescendingOrder : Qt::AscendingOrder;
        break;
    case FolderListModel::SizeColumn:
        reversed = &SizeSortReversed;
        compare = CompareBySize;
        shownOrder = SizeSortReversed ? Qt::AscendingOrder : Qt::DescendingOrder;
        break;
    case FolderListModel::ModifiedColumn:
        reversed = &DateSortReversed;
        compare = CompareByDate;
        shownOrder = DateSortReversed ? Qt::AscendingOrder : Qt::DescendingOrder;
        break;
    default:
        return;
    }
    model_->sortRows(compare, *reversed);
    *reversed = !*reversed;
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column, shownOrder);
}

void Form1::ListView1SelectItem(bool selected) {
    if (selected && !SelectAllInProgress)
        SelectionStatistics();
}

void Form1::SelectAll1Click() {
    SelectAllInProgress = true;
    ListView1->selectAll();
    SelectAllInProgress = false;
    SelectionStatistics();
}

void Form1::SelectionStatistics() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    qint64 bytes = 0;
    for (const int row : rows) {
        if (model_->isDatedFileRow(row))
            bytes += model_->nodeAt(row)->record()->Size;
    }
    StatusPanel0->setText(QString("Selected %1 Bytes in %2 files")
                              .arg(FolderListModel::SizeText(bytes))
                              .arg(static_cast<qint64>(rows.size())));
}

std::vector<TreeNode*> Form1::SelectedEntries() const {
    std::vector<TreeNode*> nodes;
    for (const int row : SelectedRows()) {
        if (!model_->isUpRow(row))
            nodes.push_back(model_->nodeAt(row));
    }
    return nodes;
}

void Form1::setLauncher(std::unique_ptr<Launcher> launcher) {
    launcher_ = std::move(launcher);
}

void Form1::RunWithProgress(const std::function<void(const ProgressCallback&)>& run) {
    const RunGuard guard(this, busy_);
    Form3_->showForRun();
    try {
        run(Form3_->callback());
    } catch (const RunCancelled&) {
        Form3_->hide();
    } catch (...) {
        Form3_->hide();
        throw;
    }
}

void Form1::ToolButton5Click() {
    if (folderTree_.empty())
        return;
    Form2_->presetChoice(!SelectedEntries().empty());
    if (Form2_->exec() != Form2::ResultOk)
        return;
    if (Form2_->extractAll()) {
        const std::string destination = Form2_->destination().toStdString();
        RunWithProgress([&](const ProgressCallback& progress) {
            ExtractRange(packagePath_, destination, folderTree_.root(), nullptr, progress);
        });
    } else {
        ExtractSelection(false);
    }
}

void Form1::ExtractSelection(bool toTemp) {
    const std::vector<TreeNode*> nodes = SelectedEntries();
    if (nodes.empty())
        return;
    const std::string destination = toTemp ? PrepareTempFolder() : Form2_->destination().toStdString();
    RunWithProgress(
        [&](const ProgressCallback& progress) { ExtractNodes(packagePath_, destination, nodes, progress); });
}

QString Form1::ExtractSelectedFileToTemp() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || model_->isUpRow(rows.front()) || !model_->nodeAt(rows.front())->isFile())
        return {};
    ExtractSelection(true);
    if (Form3_->cancelRequested())
        return {};
    return QString::fromStdString(TempFolderPath() + "/" + NameToUtf8(model_->nodeAt(rows.front())->text()));
}

void Form1::viewedit1Click() {
    const QString copy = ExtractSelectedFileToTemp();
    if (!copy.isEmpty())
        launcher_->open(copy);
}

void Form1::Viewfileinnotepad1Click() {
    const QString copy = ExtractSelectedFileToTemp();
    if (!copy.isEmpty())
        launcher_->viewText(copy);
}

void Form1::AddPath(const std::string& diskPath, TreeNode* target) {
    if (folderTree_.empty())
        return;
    AddEvents events;
    events.added = [this](TreeNode* node) {
        if (node->parent() != currentFolder_)
            return;
        if (node->isFolder())
            model_->insertRowAt(std::min(1, model_->rowCount()), node);
        else
            model_->appendRow(node);
    };
    tessel::AddPath(folderTree_, packagePath_, diskPath, target ? target : currentFolder_, events);
}

void Form1::Deletefiles1Click() {
    std::vector<int> rows;
    std::vector<TreeNode*> nodes;
    for (const int row : SelectedRows()) {
        if (model_->isUpRow(row))
            continue;
        rows.push_back(row);
        nodes.push_back(model_->nodeAt(row));
    }
    if (nodes.empty())
        return;
    const std::size_t before = folderTree_.count();
    try {
        DeleteEntries(nodes, folderTree_, packagePath_);
    } catch (...) {
        // When the edit got as far as the tree, the rows would point at removed nodes.
        if (folderTree_.count() != before)
            ShowFolder(currentFolder_);
        throw;
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        model_->removeRowAt(*row);
}

void Form1::Renamefile1Click() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || model_->isUpRow(rows.front()))
        return;
    const int row = rows.front();
    TreeNode* node = model_->nodeAt(row);
    const QString caption = FolderListModel::NameText(node->text());
    QInputDialog dialog(this);
    dialog.setObjectName("RenameDialog");
    dialog.setWindowTitle("Rename file");
    dialog.setLabelText(caption);
    dialog.setTextValue(caption);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = dialog.textValue().toStdString();
    try {
        RenameEntry(node, folderTree_, packagePath_, name);
    } catch (...) {
        model_->refreshRow(row);
        throw;
    }
    model_->refreshRow(row);
}

void Form1::ListView1MouseDown() {
    const std::vector<TreeNode*> nodes = SelectedEntries();
    if (folderTree_.empty() || nodes.empty())
        return;
    const RunGuard guard(this, busy_);
    DropFileSource1_->Files.clear();
    for (const std::string& path : ListTempPaths(nodes))
        DropFileSource1_->Files << QString::fromStdString(path);
    DropFileSource1_->execute(ListView1);
}

void Form1::DropFileSource1Drop() {
    tempCleanup_->stop();
    DeleteFolder(TempFolderPath());
    ExtractSelection(true);
    // A cancelled extraction must not be moved half done.
    if (Form3_->cancelRequested())
        throw RunCancelled();
}

void Form1::DropFileSource1AfterDrop(Qt::DropAction result) {
    if (result == Qt::MoveAction)
        tempCleanup_->start();
    else
        DeleteFolder(TempFolderPath());
}

void Form1::DropFileTarget1Drop(const QStringList& paths) {
    if (packagePath_.empty() || busy_)
        return;
    const RunGuard guard(this, busy_);
    Form3_->showForRun();
    const auto last = static_cast<std::int32_t>(paths.size() - 1);
    try {
        for (std::int32_t i = 0; i <= last; ++i) {
            Form3_->Progress("adding", paths[i].toStdString(), last, i);
            AddPath(paths[i].toStdString());
        }
        Form3_->Progress("adding", std::string(), 0, 0);
    } catch (...) {
        // Errors of a drop are not shown; what was added before stays.
        Form3_->hide();
    }
}

void Form1::Exit2Click() {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Form1::About1Click() {
    QMessageBox::information(this, "Information", kAboutText);
}

void Form1::ToolButton3Click() {}

} // namespace tessel::ui
