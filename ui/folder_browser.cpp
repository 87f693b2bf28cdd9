#include "folder_browser.h"

#include "comparison_marks.h"
#include "entry_path.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "name_filter.h"
#include "window_actions.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace tessel::ui {

namespace {

constexpr int kPathBoxInset = 9;
constexpr int kColumnWidths[] = {300, 90, 160, 150, 90};
constexpr int kCellPadding = 16;
constexpr int kNarrowestColumn = 90;

} // namespace

FolderBrowser::FolderBrowser(QMainWindow* window) : QObject(window) {
    window->addToolBarBreak();
    QToolBar* pathBar = FixedToolBar(window, "ToolBar2", "Path");
    pathBar->setContentsMargins(0, 0, 0, 0);
    pathBar->layout()->setContentsMargins(0, 0, 0, 0);
    pathBar->layout()->setSpacing(0);
    pathBox_ = new QLineEdit("..", pathBar);
    pathBox_->setObjectName("Edit1");
    // Read-only, but the path can be selected and copied.
    pathBox_->setReadOnly(true);
    pathBox_->setFrame(false);
    pathBox_->setAccessibleName("Folder shown");
    pathBox_->setAccessibleDescription("The package's path and the folder of it that the list shows");
    pathBox_->setMinimumWidth(0);
    pathBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pathBar->addWidget(pathBox_);

    window->addToolBarBreak();
    filterBar_ = FixedToolBar(window, "FilterBar", "Filter bar");
    filterEdit_ = new QLineEdit(filterBar_);
    filterEdit_->setObjectName("FilterEdit");
    filterEdit_->setPlaceholderText("Filter this folder: part of a name, or a pattern with * and ?");
    filterEdit_->setClearButtonEnabled(true);
    for (QToolButton* clear : filterEdit_->findChildren<QToolButton*>()) {
        clear->setAccessibleName("Clear the filter");
        clear->setAccessibleDescription("Shows every row of the folder again");
    }
    filterEdit_->setAccessibleName("Filter");
    filterEdit_->setAccessibleDescription(
        "Shows only the rows of this folder whose names hold the text, ignoring case; * and ? match "
        "any characters and any one character");
    filterBar_->addWidget(filterEdit_);
    filterCount_ = new QLabel(filterBar_);
    filterCount_->setObjectName("FilterCount");
    filterCount_->setAccessibleDescription("How many of the folder's entries the filter shows");
    filterCount_->setContentsMargins(6, 0, 6, 0);
    filterBar_->addWidget(filterCount_);
    filterBar_->hide();
    filterEdit_->installEventFilter(this);
    connect(filterEdit_, &QLineEdit::textChanged, this, [this] {
        if (currentFolder_)
            showFolder(currentFolder_);
    });

    list_ = new FolderListView(window);
    list_->setObjectName("ListView1");
    model_ = new FolderListModel(list_);
    list_->setModel(model_);
    QHeaderView* header = list_->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    for (int column = 0; column < FolderListModel::ColumnCount; ++column)
        list_->setColumnWidth(column, kColumnWidths[column]);
    // The name takes the width the window has to spare, but never so little that names
    // cannot be read (the list scrolls sideways then); a size never needs cutting.
    header->setSectionResizeMode(FolderListModel::NameColumn, QHeaderView::Stretch);
    header->setMinimumSectionSize(kNarrowestColumn);
    const int largestSize = list_->fontMetrics().horizontalAdvance(
        FolderListModel::SizeText(std::numeric_limits<std::int32_t>::max()));
    list_->setColumnWidth(FolderListModel::SizeColumn,
                          std::max(kColumnWidths[FolderListModel::SizeColumn], largestSize + kCellPadding));
    list_->setColumnHidden(FolderListModel::ComparedColumn, true);
    list_->setAccessibleName("Entries");
    list_->setAccessibleDescription("The folders and files of the folder shown");

    connect(list_, &QAbstractItemView::doubleClicked, this, &FolderBrowser::activate);
    connect(list_, &FolderListView::rowEntered, this, &FolderBrowser::activate);
    connect(list_, &FolderListView::parentRequested, this, &FolderBrowser::showParent);
    connect(list_, &FolderListView::dragRequested, this, &FolderBrowser::dragRequested);
    connect(list_, &FolderListView::filesDropped, this, &FolderBrowser::filesDropped);
    connect(list_, &FolderListView::menuRequested, this,
            [this](const QPoint& at) { emit menuRequested(list_->viewport()->mapToGlobal(at)); });
    connect(header, &QHeaderView::sectionClicked, this, &FolderBrowser::sortBy);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowser::currentRowChanged);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!quiet_)
            emit selectionChanged();
    });
}

void FolderBrowser::fitPathBox(int windowWidth) {
    // The box grows with the bar that carries it up to the outer width less 9 pixels, and
    // shrinks with it, so that it never holds the window at its width.
    pathBox_->setMaximumWidth(std::max(0, windowWidth - kPathBoxInset));
}

void FolderBrowser::showFolder(const TreeNode* folder, const TreeNode* current) {
    if (folder != currentFolder_ && currentFolder_ && leaveCheck_ && !leaveCheck_())
        return;
    pathBox_->setText(packagePath_ + "/" + QString::fromStdString(GetFolderPath(folder, 1)));
    const bool filtering = !filterBar_->isHidden();
    model_->FillFolderList(folder, NameFilter(filtering ? filterEdit_->text() : QString()), onlyDifferences_);
    currentFolder_ = folder;
    if (filtering) {
        const int shown = model_->rowCount() - (folder->parent() ? 1 : 0);
        filterCount_->setText(QString("%1 of %2 shown").arg(shown).arg(folder->childCount()));
    }
    if (const std::optional<ColumnSort>& active = sort_.active())
        model_->sortRows(active->compare, active->reversed);
    showSortArrow();
    // A row is current at once, so that the keyboard goes on from here: the folder the user
    // came from, else the first entry.
    int row = current ? model_->rowOf(current) : -1;
    if (row < 0 && model_->rowCount() > 0)
        row = model_->rowCount() > 1 && model_->isUpRow(0) ? 1 : 0;
    if (row >= 0) {
        const QModelIndex index = model_->index(row, 0);
        list_->selectionModel()->setCurrentIndex(index, current ? QItemSelectionModel::ClearAndSelect |
                                                                      QItemSelectionModel::Rows
                                                                : QItemSelectionModel::NoUpdate);
        list_->scrollTo(index);
    }
    emit folderShown();
}

const TreeNode* FolderBrowser::currentNode() const {
    const std::vector<int> rows = selectedRows();
    if (rows.size() == 1)
        return model_->nodeAt(rows.front());
    const QModelIndex current = list_->currentIndex();
    if (!current.isValid() || current.row() >= model_->rowCount())
        return nullptr;
    return model_->nodeAt(current.row());
}

FolderBrowser::Place FolderBrowser::place() const {
    const QModelIndex current = list_->currentIndex();
    const bool row = current.isValid() && !model_->isUpRow(current.row());
    return {GetFolderPath(currentFolder_, 1), row ? std::string(model_->nodeAt(current.row())->text()) : ""};
}

void FolderBrowser::showPlace(const FolderTree& tree, const Place& place) {
    const TreeNode* shown = FindEntry(tree, place.folder);
    if (!shown || !shown->isFolder())
        return;
    const TreeNode* again = nullptr;
    for (const TreeNode* child = shown->firstChild(); child && !place.row.empty() && !again;
         child = child->nextSibling())
        again = child->text() == place.row ? child : nullptr;
    showFolder(shown, again);
}

void FolderBrowser::showParent() {
    if (currentFolder_ && currentFolder_->parent())
        showFolder(currentFolder_->parent(), currentFolder_);
}

void FolderBrowser::clear() {
    model_->clear();
    currentFolder_ = nullptr;
}

void FolderBrowser::activate(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const TreeNode* node = model_->nodeAt(index.row());
    if (model_->isUpRow(index.row()))
        showParent();
    else if (node->isFile())
        emit fileActivated();
    else
        showFolder(node);
}

std::vector<int> FolderBrowser::selectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : list_->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<const TreeNode*> FolderBrowser::selectedNodes() const {
    std::vector<const TreeNode*> nodes;
    for (const int row : selectedRows())
        nodes.push_back(model_->nodeAt(row));
    return nodes;
}

std::vector<const TreeNode*> FolderBrowser::selectedEntries() const {
    std::vector<const TreeNode*> nodes;
    for (const int row : selectedRows()) {
        if (!model_->isUpRow(row))
            nodes.push_back(model_->nodeAt(row));
    }
    return nodes;
}

const TreeNode* FolderBrowser::selectedFile() const {
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1 || model_->isUpRow(rows.front()) || !model_->nodeAt(rows.front())->isFile())
        return nullptr;
    return model_->nodeAt(rows.front());
}

bool FolderBrowser::selectionIsOneFolder() const {
    const std::vector<int> rows = selectedRows();
    return rows.size() == 1 && (model_->isUpRow(rows.front()) || model_->nodeAt(rows.front())->isFolder());
}

void FolderBrowser::selectAll() {
    quiet_ = true;
    list_->selectAll();
    quiet_ = false;
    emit selectionChanged();
}

void FolderBrowser::sortBy(int column) {
    if (const std::optional<ColumnSort> next = sort_.next(column))
        model_->sortRows(next->compare, next->reversed);
    // A column that does not sort shows no arrow: the one of the sort in force stays.
    showSortArrow();
}

void FolderBrowser::showSortArrow() {
    QHeaderView* header = list_->header();
    header->setSortIndicatorShown(sort_.active().has_value());
    if (sort_.active())
        header->setSortIndicator(sort_.activeColumn(), sort_.active()->shownOrder);
}

void FolderBrowser::setComparison(std::shared_ptr<const ComparisonMarks> comparison) {
    comparison_ = std::move(comparison);
    model_->setComparison(comparison_.get());
    list_->setColumnHidden(FolderListModel::ComparedColumn, !comparison_);
    if (!comparison_)
        onlyDifferences_ = false;
    if (currentFolder_)
        showFolder(currentFolder_);
}

void FolderBrowser::setOnlyDifferences(bool only) {
    onlyDifferences_ = only && comparison_;
    if (currentFolder_)
        showFolder(currentFolder_);
}

void FolderBrowser::showFilter() {
    filterBar_->show();
    filterEdit_->setFocus();
    filterEdit_->selectAll();
}

void FolderBrowser::clearFilter() {
    filterEdit_->clear();
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter ends filtering and gives the list the keyboard back.
    if (watched == filterEdit_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        filterBar_->hide();
        filterEdit_->clear();
        list_->setFocus();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void FolderBrowser::entryAdded(const TreeNode* node) {
    if (node->parent() != currentFolder_)
        return;
    // New entries join their folder as its last child.
    if (node->isFolder()) {
        const int row = std::min(1, model_->rowCount());
        model_->insertRowAt(row, node);
        placeInSort(row);
    } else {
        model_->appendRow(node);
        placeInSort(model_->rowCount() - 1);
    }
}

void FolderBrowser::entryChanged(const TreeNode* node) {
    if (const int row = model_->rowOf(node); row >= 0) {
        model_->refreshRow(row);
        list_->scrollTo(model_->index(placeInSort(row), 0));
    }
}

int FolderBrowser::placeInSort(int row) {
    const std::optional<ColumnSort>& active = sort_.active();
    return active ? model_->moveToSortedPlace(row, active->compare, active->reversed) : row;
}

void FolderBrowser::removeRows(const std::vector<int>& rows) {
    // The rows still point at removed entries: the selection they leave is read once they
    // are gone.
    quiet_ = true;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        model_->removeRowAt(*row);
    // The row that followed the first one removed is where the keyboard goes on.
    if (!rows.empty() && model_->rowCount() > 0) {
        const QModelIndex next = model_->index(std::min(rows.front(), model_->rowCount() - 1), 0);
        list_->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    }
    quiet_ = false;
    emit selectionChanged();
}

void FolderBrowser::remeasureFolders() {
    model_->remeasureFolders();
    emit foldersChanged();
}

} // namespace tessel::ui
