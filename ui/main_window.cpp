#include "main_window.h"

#include "choice_box.h"
#include "drag_out.h"
#include "drop_file_source.h"
#include "edited_copies.h"
#include "entry_path.h"
#include "error_box.h"
#include "extract_dialog.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "launcher.h"
#include "package_error.h"
#include "progress_window.h"
#include "status_texts.h"
#include "tessel_version.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolBar>
#include <algorithm>
#include <exception>

// The pictures are compiled into the window's library; a static library must register them.
static void InitResources() {
    Q_INIT_RESOURCE(tessel);
}

namespace tessel::ui {

namespace {


const char* const kAboutText = "Tessel, made by the Tessel developers, 2005.\n\n"
                               "Questions, ideas and packages to share are welcome at the modding "
                               "community's forum: https://forum.tessel.example.org/";

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName("Form1");
    setWindowTitle(kWindowTitle);
    QIcon icon;
    icon.addFile(":/icons/tessel16.png");
    icon.addFile(":/icons/tessel32.png");
    setWindowIcon(icon);
    ui_.build(this);
    PlaceWindow();
    // The two other windows come after the main window, hidden.
    Form2_ = new Form2(this);
    Form3_ = new Form3(this);
    launcher_ = std::make_unique<DesktopLauncher>();
    dragOut_ = new DragOut(this);
    dragOut_->source()->Drop = [this] { DropFileSource1Drop(); };
    dragOut_->source()->AfterDrop = [this](Qt::DropAction result) { DropFileSource1AfterDrop(result); };
    copies_ = new EditedCopies(this);
    copies_->setObjectName("EditedCopies");
    connectCommands();
    RestoreListSettings();
    FillRecentMenu();
    // The keyboard starts in the list, not in the path box before it.
    ui_.ListView1->setFocus();
}

Form1::~Form1() {
    // The rows point into the tree: drop them first.
    ui_.model->clear();
}

void Form1::connectCommands() {
    auto guarded = [this](auto handler) {
        return [this, handler](auto&&... args) { RunCommand([&] { handler(args...); }); };
    };
    const std::pair<QAction*, void (Form1::*)()> commands[] = {
        {ui_.Open1, &Form1::Open1Click},
        {ui_.Exit2, &Form1::Exit2Click},
        {ui_.About1, &Form1::About1Click},
        {ui_.ToolButton5, &Form1::ToolButton5Click},
        {ui_.SelectAll1, &Form1::SelectAll1Click},
        {ui_.viewedit1, &Form1::viewedit1Click},
        {ui_.Viewfileinnotepad1, &Form1::Viewfileinnotepad1Click},
        {ui_.Renamefile1, &Form1::Renamefile1Click},
        {ui_.Deletefiles1, &Form1::Deletefiles1Click},
    };
    for (const auto& [action, handler] : commands)
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunCommand([&] { (this->*handler)(); }); });

    FolderListView* list = ui_.ListView1;
    connect(list, &QAbstractItemView::doubleClicked, this,
            guarded([this](const QModelIndex& index) { ListView1DblClick(index); }));
    connect(list, &FolderListView::rowEntered, this,
            guarded([this](const QModelIndex& index) { ListView1DblClick(index); }));
    connect(list, &FolderListView::parentRequested, this, guarded([this] { ShowParentFolder(); }));
    connect(list, &FolderListView::dragRequested, this, guarded([this] { ListView1MouseDown(); }));
    connect(list, &FolderListView::filesDropped, this,
            [this](const QStringList& paths) { DropFileTarget1Drop(paths); });
    connect(list->header(), &QHeaderView::sectionClicked, this,
            guarded([this](int column) { ListView1ColumnClick(column); }));
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                ListView1SelectItem(!selected.isEmpty());
            });
    connect(ui_.ToolButton3, &QAction::triggered, this, [this] { RunCommand([this] { ShowParentFolder(); }); });
    connect(ui_.Reload, &QAction::triggered, this, [this] { RunCommand([this] { ReloadClick(); }); });
    connect(ui_.Filter, &QAction::triggered, this, [this] { ShowFilter(); });
    ui_.FilterEdit->installEventFilter(this);
    connect(ui_.FilterEdit, &QLineEdit::textChanged, this, [this] {
        if (currentFolder_)
            ShowFolder(currentFolder_);
    });
    connect(ui_.FindInPackage, &QAction::triggered, this, [this] { RunCommand([this] { FindInPackageClick(); }); });
    connect(ui_.StatusPanel2, &QLabel::linkActivated, this, [this](const QString& link) { ResultLinkClicked(link); });
    connect(copies_, &EditedCopies::changed, this, [this](int id) {
        // A run under way is not interrupted by the question: it comes after it.
        if (busy_)
            return copies_->askAgain(id);
        RunCommand([&] { CopyChanged(id); });
    });
    connect(list, &FolderListView::menuRequested, this,
            [this](const QPoint& at) { ui_.PopupMenu1->popup(ui_.ListView1->viewport()->mapToGlobal(at)); });
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ui_.fitPathBox(frameGeometry().width());
}

void Form1::RunCommand(const std::function<void()>& command) {
    if (busy_)
        return;
    try {
        command();
    } catch (const RunCancelled&) {
        // The user asked for it: nothing to report.
    } catch (const PackageChangedError& error) {
        // The one way on is to read the package anew: offer it.
        const Choice choice = Ask(this, {"ChangedOnDiskBox", kApplicationTitle,
                                         ErrorBoxText(QString::fromStdString(error.what())),
                                         "Reload it to see it as it is now; the folder shown stays where it can.",
                                         {"Reload", "Close"},
                                         QString()});
        if (choice.button == 0)
            RunCommand([this] { ReloadClick(); });
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
}

void Form1::LoadPackage(const std::string& path) {
    package_.LoadPackage(path);
    setWindowTitle(FileNameOf(path) + " - " + kWindowTitle);
    RememberRecent(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
    ShowResult({});
    ShowFolder(package_.tree().root());
    WarnAboutDataOutside();
    if (!package_.recoveryNote().empty()) {
        QString note = QString::fromStdString(package_.recoveryNote()) + ".";
        note[0] = note[0].toUpper();
        QMessageBox::information(this, "Tessel", note);
    }
}

void Form1::ShowFolder(const TreeNode* folder, const TreeNode* current) {
    ui_.Edit1->setText(QString::fromStdString(PackagePath()) + "/" +
                       QString::fromStdString(GetFolderPath(folder, 1)));
    const bool filtering = !ui_.FilterBar->isHidden();
    ui_.model->FillFolderList(folder, NameFilter(filtering ? ui_.FilterEdit->text() : QString()));
    currentFolder_ = folder;
    if (filtering) {
        const int shown = ui_.model->rowCount() - (folder->parent() ? 1 : 0);
        ui_.FilterCount->setText(QString("%1 of %2 shown").arg(shown).arg(folder->childCount()));
    }
    if (const std::optional<ColumnSort>& sort = sort_.active())
        ui_.model->sortRows(sort->compare, sort->reversed);
    ShowSortArrow();
    ShowTotals();
    ui_.StatusPanel0->clear();
    // A row is current at once, so that the keyboard goes on from here: the folder the
    // user came from, else the first entry.
    int row = current ? ui_.model->rowOf(current) : -1;
    if (row < 0 && ui_.model->rowCount() > 0)
        row = ui_.model->rowCount() > 1 && ui_.model->isUpRow(0) ? 1 : 0;
    if (row >= 0) {
        const QModelIndex index = ui_.model->index(row, 0);
        ui_.ListView1->selectionModel()->setCurrentIndex(
            index, current ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                           : QItemSelectionModel::NoUpdate);
        ui_.ListView1->scrollTo(index);
    }
}

std::vector<int> Form1::SelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : ui_.ListView1->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<const TreeNode*> Form1::SelectedNodes() const {
    std::vector<const TreeNode*> nodes;
    for (const int row : SelectedRows())
        nodes.push_back(ui_.model->nodeAt(row));
    return nodes;
}

std::vector<const TreeNode*> Form1::SelectedEntries() const {
    std::vector<const TreeNode*> nodes;
    for (const int row : SelectedRows()) {
        if (!ui_.model->isUpRow(row))
            nodes.push_back(ui_.model->nodeAt(row));
    }
    return nodes;
}

void Form1::ListView1DblClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const TreeNode* node = ui_.model->nodeAt(index.row());
    if (ui_.model->isUpRow(index.row()))
        ShowParentFolder();
    else if (node->isFile())
        viewedit1Click();
    else
        ShowFolder(node);
}

void Form1::ShowParentFolder() {
    if (currentFolder_ && currentFolder_->parent())
        ShowFolder(currentFolder_->parent(), currentFolder_);
}

void Form1::ListView1ColumnClick(int column) {
    if (const std::optional<ColumnSort> sort = sort_.next(column))
        ui_.model->sortRows(sort->compare, sort->reversed);
    // A column that does not sort shows no arrow: the one of the sort in force stays.
    ShowSortArrow();
}

void Form1::ShowSortArrow() {
    QHeaderView* header = ui_.ListView1->header();
    header->setSortIndicatorShown(sort_.active().has_value());
    if (sort_.active())
        header->setSortIndicator(sort_.activeColumn(), sort_.active()->shownOrder);
}

void Form1::ListView1SelectItem(bool) {
    if (!SelectAllInProgress && !removingRows_)
        SelectionStatistics();
}

void Form1::SelectAll1Click() {
    SelectAllInProgress = true;
    ui_.ListView1->selectAll();
    SelectAllInProgress = false;
    SelectionStatistics();
}

void Form1::Exit2Click() {
    if (!MayLeave())
        return;
    SaveSettings();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!MayLeave())
        return event->ignore();
    SaveSettings();
    event->accept();
}

bool Form1::MayLeave() {
    const std::vector<int> ids = copies_->unwritten();
    if (ids.empty())
        return true;
    QStringList names;
    for (const int id : ids)
        names << FileNameOf(copies_->copyPath(id));
    const Choice choice =
        Ask(this, {"UnwrittenCopiesBox", "Tessel",
                   QString("These copies were changed, and the changes are not in the package:\n\n%1")
                       .arg(names.join("\n")),
                   "Update the package with them before leaving? Discarded changes are lost.",
                   {"Update", "Discard", "Cancel"},
                   QString()});
    if (choice.button == 1)
        return true;
    if (choice.button != 0)
        return false;
    bool all = true;
    for (const int id : ids)
        all = UpdateFromCopy(id) && all;
    return all;
}

void Form1::About1Click() {
    QMessageBox::information(this, "Information", kAboutText);
}

} // namespace tessel::ui
