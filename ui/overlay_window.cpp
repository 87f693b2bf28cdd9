#include "overlay_window.h"

#include "error_box.h"
#include "folder_list_model.h"
#include "merged_folders.h"
#include "merged_list_model.h"
#include "preview_views.h"
#include "settings.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <utility>

namespace tessel::ui {

namespace {

QString OrderKey(const QString& folder) {
    // Settings keys cannot hold every character a path may: the path goes as hex.
    return QString("overlay/order/") + QString::fromLatin1(folder.toUtf8().toHex());
}

} // namespace

OverlayWindow::OverlayWindow(QWidget* parent)
    : QMainWindow(parent), list_(new QListWidget(this)), view_(new QTableView(this)),
      filter_(new QComboBox(this)), model_(new MergedListModel(this)), folders_(new QTreeView(this)),
      folderModel_(new QStandardItemModel(this)), previewTitle_(new QLabel(this)),
      preview_(new PreviewViews(this)), comparing_(new QFutureWatcher<std::vector<char>>(this)) {
    setObjectName("OverlayWindow");
    setWindowTitle("Merged view - Tessel");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1300, 650);

    list_->setObjectName("OverlaySources");
    list_->setAccessibleName("Sources");
    list_->setAccessibleDescription(
        "The packages and folders, the top one taking precedence; drag to reorder");
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    connect(list_->model(), &QAbstractItemModel::rowsMoved, this, &OverlayWindow::rebuild);
    auto* addPackages = new QPushButton("Add Packages..", this);
    auto* addFolder = new QPushButton("Add Folder..", this);
    auto* remove = new QPushButton("Remove", this);
    remove->setObjectName("RemoveSource");
    connect(addPackages, &QPushButton::clicked, this, [this] { addSources(false); });
    connect(addFolder, &QPushButton::clicked, this, [this] { addSources(true); });
    connect(remove, &QPushButton::clicked, this, [this] {
        delete list_->currentItem();
        rebuild();
    });
    auto* sourcesPane = new QWidget(this);
    auto* sourcesLayout = new QVBoxLayout(sourcesPane);
    sourcesLayout->addWidget(new QLabel("Sources, the first wins:", sourcesPane));
    sourcesLayout->addWidget(list_, 1);
    for (QPushButton* button : {addPackages, addFolder, remove})
        sourcesLayout->addWidget(button);

    filter_->setObjectName("OverlayFilter");
    filter_->setAccessibleName("Show");
    filter_->addItems({"Every path", "Only conflicts", "Only shadowed copies that differ"});
    connect(filter_, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_->setFilter(static_cast<MergedListModel::Filter>(index)); });
    view_->setObjectName("MergedList");
    view_->setAccessibleName("Merged entries");
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->setShowGrid(false);
    view_->setAlternatingRowColors(true);
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setColumnWidth(MergedListModel::PathColumn, 300);
    view_->setColumnWidth(MergedListModel::SizeColumn, 70);
    view_->setColumnWidth(MergedListModel::FromColumn, 100);
    view_->horizontalHeader()->setSortIndicator(MergedListModel::PathColumn, Qt::AscendingOrder);
    view_->setSortingEnabled(true);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        statusBar()->showMessage(QString("%1 paths shown").arg(model_->rowCount()));
        previewCurrent();
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &OverlayWindow::previewCurrent);

    folders_->setObjectName("MergedFolders");
    folders_->setAccessibleName("Folders");
    folders_->setHeaderHidden(true);
    folders_->setModel(folderModel_);
    connect(folders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                model_->setFolder(current.data(kFolderKeyRole).toString().toStdString());
            });

    previewTitle_->setObjectName("MergedPreviewTitle");
    previewTitle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    previewTitle_->setWordWrap(true);
    preview_->setObjectName("MergedPreview");
    preview_->setAccessibleName("Preview");
    auto* previewPane = new QWidget(this);
    auto* previewLayout = new QVBoxLayout(previewPane);
    previewLayout->setContentsMargins(4, 0, 0, 0);
    previewLayout->addWidget(previewTitle_);
    previewLayout->addWidget(preview_, 1);

    auto* tree = new QSplitter(this);
    tree->addWidget(folders_);
    tree->addWidget(view_);
    tree->addWidget(previewPane);
    tree->setStretchFactor(1, 1);
    tree->setSizes({170, 600, 310});
    auto* mergedPane = new QWidget(this);
    auto* mergedLayout = new QVBoxLayout(mergedPane);
    mergedLayout->addWidget(filter_);
    mergedLayout->addWidget(tree, 1);

    auto* split = new QSplitter(this);
    split->addWidget(sourcesPane);
    split->addWidget(mergedPane);
    split->setSizes({220, 1080});
    setCentralWidget(split);

    QMenu* file = menuBar()->addMenu("&File");
    QAction* extract = file->addAction("Extract Selection..", this, &OverlayWindow::chooseExtraction);
    extract->setObjectName("ExtractMerged");
    QAction* show = file->addAction("Show in Its Package", this, &OverlayWindow::showChosenInItsPackage);
    show->setObjectName("ShowInItsPackage");
    file->addSeparator();
    file->addAction("Close", QKeySequence::Close, this, &QWidget::close);
    connect(view_, &QAbstractItemView::doubleClicked, this, &OverlayWindow::showChosenInItsPackage);
    connect(comparing_, &QFutureWatcher<std::vector<char>>::finished, this, [this] {
        if (!comparisonError_.isEmpty())
            return ShowErrorBox(this, std::exchange(comparisonError_, QString()));
        // Answers of a comparison that was stopped, or of sources since replaced, do not fit.
        std::size_t shadowed = 0;
        for (const MergedPath& path : model_->paths())
            shadowed += path.layers.size() - 1;
        const std::vector<char> same = comparing_->result();
        if (!stop_ && same.size() == shadowed)
            model_->setSameness(same);
    });
}

OverlayWindow::~OverlayWindow() {
    stopComparing();
}

void OverlayWindow::stopComparing() {
    stop_ = true;
    comparing_->waitForFinished();
    stop_ = false;
}

void OverlayWindow::waitForComparison() {
    comparing_->waitForFinished();
    QCoreApplication::processEvents();
}

void OverlayWindow::openFolderOfPackages(const QString& folder) {
    folder_ = QDir(folder).absolutePath();
    QStringList order;
    for (const QString& remembered : Settings().value(OrderKey(folder_)).toStringList()) {
        if (QFileInfo::exists(remembered))
            order << remembered;
    }
    for (const QFileInfo& package : QDir(folder_).entryInfoList({"*.vp", "*.VP"}, QDir::Files, QDir::Name)) {
        if (!order.contains(package.absoluteFilePath()))
            order << package.absoluteFilePath();
    }
    setWindowTitle(QDir(folder_).dirName() + " merged - Tessel");
    setSources(order);
}

void OverlayWindow::setSources(const QStringList& sources) {
    list_->clear();
    for (const QString& source : sources)
        list_->addItem(QDir().absoluteFilePath(source));
    rebuild();
}

QStringList OverlayWindow::sources() const {
    QStringList sources;
    for (int row = 0; row < list_->count(); ++row)
        sources << list_->item(row)->text();
    return sources;
}

void OverlayWindow::rebuild() {
    // The comparison reads the sources that are about to go.
    stopComparing();
    const QStringList given = sources();
    if (!folder_.isEmpty())
        Settings().setValue(OrderKey(folder_), given);
    std::vector<FileSource> read;
    QStringList names;
    try {
        std::vector<std::string> paths;
        for (const QString& source : given) {
            paths.push_back(source.toStdString());
            names << QFileInfo(source).fileName();
        }
        read = OpenSources(paths);
        std::vector<MergedPath> merged = MergeSources(read, false);
        // The rows point into the sources read: the old ones go only once the rows are new.
        FillMergedFolders(*folderModel_, merged);
        folders_->expand(folderModel_->index(0, 0));
        model_->setFolder({});
        model_->showMerged(std::move(merged), names);
        read_ = std::move(read);
        // Only the window's thread changes the rows, and not before this comparison ends.
        comparing_->setFuture(
            QtConcurrent::run([this] { return CompareShadowed(read_, model_->paths(), &stop_); }));
    } catch (const std::exception& error) {
        model_->showMerged({}, {});
        FillMergedFolders(*folderModel_, {});
        read_.clear();
        ShowErrorBox(this, QString::fromStdString(error.what()));
    }
}

void OverlayWindow::previewCurrent() {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid() || read_.empty()) {
        preview_->clear();
        previewTitle_->clear();
        return;
    }
    // From file to file the views stay until the next preview takes their place.
    preview_->leave();
    const Layer& winner = model_->pathAt(current.row()).winner();
    const QString from = model_->index(current.row(), MergedListModel::FromColumn).data().toString();
    previewTitle_->setText(QString("%1 — from %2, %3 Bytes")
                               .arg(QString::fromStdString(winner.file->path), from,
                                    FolderListModel::SizeText(winner.file->size)));
    try {
        const EntryBytes bytes(read_.at(winner.source), *winner.file);
        const std::string& path = winner.file->path;
        preview_->showEntry(bytes, QString::fromStdString(path.substr(path.rfind('/') + 1)),
                            "Read-only: edits happen in a package");
    } catch (const std::exception& error) {
        preview_->showMessage(QString::fromStdString(error.what()));
    }
}

void OverlayWindow::addSources(bool folders) {
    QStringList chosen;
    if (folders) {
        const QString folder = QFileDialog::getExistingDirectory(this, "Add Folder", folder_);
        if (!folder.isEmpty())
            chosen << folder;
    } else {
        chosen = QFileDialog::getOpenFileNames(this, "Add Packages", folder_, "VP Files (*.vp)");
    }
    for (const QString& source : chosen)
        list_->addItem(QDir().absoluteFilePath(source));
    if (!chosen.isEmpty())
        rebuild();
}

void OverlayWindow::extractSelection(const QString& destination) {
    std::vector<MergedPath> chosen;
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (rows.isEmpty() || view_->selectionModel()->isRowSelected(row))
            chosen.push_back(model_->pathAt(row));
    }
    try {
        ExtractMerged(destination.toStdString(), read_, chosen);
        statusBar()->showMessage(QString("Extracted %1 files to %2").arg(chosen.size()).arg(destination));
    } catch (const std::exception& error) {
        ShowErrorBox(this, QString::fromStdString(error.what()));
    }
}

void OverlayWindow::chooseExtraction() {
    const QString destination = QFileDialog::getExistingDirectory(this, "Extract the merged selection to");
    if (!destination.isEmpty())
        extractSelection(destination);
}

void OverlayWindow::showChosenInItsPackage() {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid())
        return;
    const Layer& winner = model_->pathAt(current.row()).winner();
    const FileSource& source = read_.at(winner.source);
    if (!source.isPackage()) {
        statusBar()->showMessage("That file comes from a folder, not a package");
        return;
    }
    emit showInPackage(QString::fromStdString(source.given()), QString::fromStdString(winner.file->path));
}

} // namespace tessel::ui
