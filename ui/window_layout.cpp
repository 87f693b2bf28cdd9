#include "window_layout.h"

#include "folder_list_model.h"
#include "folder_list_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace tessel::ui {

namespace {

constexpr int kPathBoxInset = 9;
constexpr int kToolButtonWidth = 69;
constexpr int kToolButtonHeight = 54;
constexpr int kToolBarLead = 8;
constexpr int kSelectionPanelWidth = 200;
constexpr int kColumnWidths[] = {300, 80, 110, 150};
constexpr int kCellPadding = 16;

QAction* NamedAction(QMainWindow* window, const char* name, const QString& text) {
    auto* action = new QAction(text, window);
    action->setObjectName(name);
    return action;
}

QToolBar* FixedToolBar(QMainWindow* window, const char* name, const QString& title) {
    // The title is what assistive tools read as the bar's name.
    QToolBar* bar = window->addToolBar(title);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    // The button that shows what a narrow bar cannot hold is named for assistive tools too.
    if (auto* more = bar->findChild<QAbstractButton*>("qt_toolbar_ext_button")) {
        more->setAccessibleName("More");
        more->setAccessibleDescription("Shows the buttons that the bar has no room for");
    }
    return bar;
}

} // namespace

void WindowLayout::build(QMainWindow* window) {
    buildToolBars(window);
    buildList(window);
    buildStatusBar(window);
    buildPopupMenu(window);
    buildMenus(window);
}

void WindowLayout::buildMenus(QMainWindow* window) {
    QMenu* file = window->menuBar()->addMenu("&File");
    file->setObjectName("FileMenu");
    file->addAction(Open1);
    OpenRecent = file->addMenu("Open &Recent");
    OpenRecent->setObjectName("OpenRecent");
    file->addAction(extracttoaspecifiedfolder1);
    file->addSeparator();
    Exit2 = NamedAction(window, "Exit2", "Exit");
    Exit2->setShortcut(QKeySequence::Quit);
    file->addAction(Exit2);

    // The list's commands, reachable from the keyboard and by assistive tools as well as
    // from the pop-up menu.
    QMenu* edit = window->menuBar()->addMenu("&Edit");
    edit->setObjectName("EditMenu");
    for (QAction* action : {viewedit1, Viewfileinnotepad1, Renamefile1, Deletefiles1, SelectAll1})
        edit->addAction(action);

    QMenu* view = window->menuBar()->addMenu("&View");
    view->setObjectName("ViewMenu");
    Filter = NamedAction(window, "Filter", "Filter this folder");
    Filter->setShortcut(QKeySequence::Find);
    FindInPackage = NamedAction(window, "FindInPackage", "Find in package..");
    FindInPackage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    Reload = NamedAction(window, "Reload", "Reload");
    Reload->setShortcut(QKeySequence::Refresh);
    for (QAction* action : {ToolButton3, Filter, FindInPackage, Reload})
        view->addAction(action);

    About1 = NamedAction(window, "About1", "About");
    window->menuBar()->addAction(About1);
}

void WindowLayout::buildToolBars(QMainWindow* window) {
    Open1 = NamedAction(window, "Open1", "Open..");
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Open1->setIcon(QIcon(":/icons/folder16.png"));
    ToolBar1 = FixedToolBar(window, "ToolBar1", "Commands");
    ToolBar1->setIconSize(QSize(48, 48));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* lead = new QWidget(ToolBar1);
    lead->setFixedWidth(kToolBarLead);
    ToolBar1->addWidget(lead);

    ToolButton3 = NamedAction(window, "ToolButton3", "Up");
    ToolButton3->setIcon(QIcon(":/icons/up48.png"));
    ToolButton3->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    ToolButton1 = NamedAction(window, "ToolButton1", "Open..");
    ToolButton1->setIcon(QIcon(":/icons/open48.png"));
    QObject::connect(ToolButton1, &QAction::triggered, Open1, &QAction::trigger);
    ToolButton5 = NamedAction(window, "ToolButton5", "Extract");
    ToolButton5->setIcon(QIcon(":/icons/red48.png"));
    ToolButton4 = NamedAction(window, "ToolButton4", "Delete files");
    ToolButton4->setIcon(QIcon(":/icons/delete48.png"));
    const std::pair<QAction*, const char*> buttons[] = {
        {ToolButton3, "Go to the folder that holds this one (Alt+Up)"},
        {ToolButton1, "Open a VP package (Ctrl+O)"},
        {ToolButton5, "Extract the package or the selected entries to a folder"},
        {ToolButton4, "Delete the selected entries from the package (Delete)"},
    };
    for (const auto& [action, tip] : buttons) {
        action->setToolTip(action->text() + ": " + tip);
        ToolBar1->addAction(action);
        QWidget* button = ToolBar1->widgetForAction(action);
        button->setFixedSize(kToolButtonWidth, kToolButtonHeight);
        button->setAccessibleName(action->text());
        button->setAccessibleDescription(tip);
    }

    window->addToolBarBreak();
    ToolBar2 = FixedToolBar(window, "ToolBar2", "Path");
    ToolBar2->setContentsMargins(0, 0, 0, 0);
    ToolBar2->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar2->layout()->setSpacing(0);
    Edit1 = new QLineEdit("..", ToolBar2);
    Edit1->setObjectName("Edit1");
    // Read-only, but the path can be selected and copied.
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    Edit1->setAccessibleName("Folder shown");
    Edit1->setAccessibleDescription("The package's path and the folder of it that the list shows");
    Edit1->setMinimumWidth(0);
    Edit1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ToolBar2->addWidget(Edit1);

    window->addToolBarBreak();
    FilterBar = FixedToolBar(window, "FilterBar", "Filter bar");
    FilterEdit = new QLineEdit(FilterBar);
    FilterEdit->setObjectName("FilterEdit");
    FilterEdit->setPlaceholderText("Filter this folder: part of a name, or a pattern with * and ?");
    FilterEdit->setClearButtonEnabled(true);
    for (QToolButton* clear : FilterEdit->findChildren<QToolButton*>()) {
        clear->setAccessibleName("Clear the filter");
        clear->setAccessibleDescription("Shows every row of the folder again");
    }
    FilterEdit->setAccessibleName("Filter");
    FilterEdit->setAccessibleDescription(
        "Shows only the rows of this folder whose names hold the text, ignoring case; * and ? match "
        "any characters and any one character");
    FilterBar->addWidget(FilterEdit);
    FilterCount = new QLabel(FilterBar);
    FilterCount->setObjectName("FilterCount");
    FilterCount->setAccessibleDescription("How many of the folder's entries the filter shows");
    FilterCount->setContentsMargins(6, 0, 6, 0);
    FilterBar->addWidget(FilterCount);
    FilterBar->hide();
}

void WindowLayout::buildList(QMainWindow* window) {
    ListView1 = new FolderListView(window);
    ListView1->setObjectName("ListView1");
    model = new FolderListModel(ListView1);
    ListView1->setModel(model);
    QHeaderView* header = ListView1->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    for (int column = 0; column < FolderListModel::ColumnCount; ++column)
        ListView1->setColumnWidth(column, kColumnWidths[column]);
    // The name takes the width the window has to spare; a size never needs cutting.
    header->setSectionResizeMode(FolderListModel::NameColumn, QHeaderView::Stretch);
    const int largestSize = ListView1->fontMetrics().horizontalAdvance(
        FolderListModel::SizeText(std::numeric_limits<std::int32_t>::max()));
    ListView1->setColumnWidth(FolderListModel::SizeColumn,
                              std::max(kColumnWidths[FolderListModel::SizeColumn], largestSize + kCellPadding));
    ListView1->setAccessibleName("Entries");
    ListView1->setAccessibleDescription("The folders and files of the folder shown");
    window->setCentralWidget(ListView1);
}

void WindowLayout::buildStatusBar(QMainWindow* window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel0->setMinimumWidth(kSelectionPanelWidth);
    // A label's accessible name is its text, which is what a screen reader should read; the
    // description says which panel it is.
    StatusPanel0->setAccessibleDescription("Selection: the files and bytes of the selected entries");
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setAccessibleDescription("Folder totals: the folders, files and bytes of the folder shown");
    StatusPanel2 = new QLabel(bar);
    StatusPanel2->setObjectName("StatusPanel2");
    StatusPanel2->setAccessibleDescription("Last result: what the last command did, or a warning about the package");
    StatusPanel2->setTextFormat(Qt::RichText);
    StatusPanel2->setTextInteractionFlags(Qt::TextBrowserInteraction);
    StatusPanel2->setOpenExternalLinks(false);
    for (QLabel* panel : {StatusPanel0, StatusPanel1})
        panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1);
    bar->addWidget(StatusPanel2, 1);
}

void WindowLayout::buildPopupMenu(QMainWindow* window) {
    PopupMenu1 = new QMenu(window);
    PopupMenu1->setObjectName("PopupMenu1");
    SelectAll1 = NamedAction(window, "SelectAll1", "Select All");
    SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    extracttoaspecifiedfolder1 =
        NamedAction(window, "extracttoaspecifiedfolder1", "Extract to a specified folder");
    QObject::connect(extracttoaspecifiedfolder1, &QAction::triggered, ToolButton5, &QAction::trigger);
    viewedit1 = NamedAction(window, "viewedit1", "Open file");
    Viewfileinnotepad1 = NamedAction(window, "Viewfileinnotepad1", "View file");
    Renamefile1 = NamedAction(window, "Renamefile1", "Rename file");
    Deletefiles1 = NamedAction(window, "Deletefiles1", "Delete files");
    Deletefiles1->setShortcut(QKeySequence(Qt::Key_Delete));
    QObject::connect(ToolButton4, &QAction::triggered, Deletefiles1, &QAction::trigger);

    PopupMenu1->addAction(SelectAll1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(extracttoaspecifiedfolder1);
    PopupMenu1->addAction(viewedit1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Viewfileinnotepad1);
    PopupMenu1->addAction(Renamefile1);
    PopupMenu1->addAction(Deletefiles1);
    // The shortcuts of the pop-up menu act while the list has the focus.
    Renamefile1->setShortcut(QKeySequence(Qt::Key_F2));
    for (QAction* action : {SelectAll1, Deletefiles1, Renamefile1}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        ListView1->addAction(action);
    }
}

void WindowLayout::fitPathBox(int windowWidth) {
    // The box grows with the bar that carries it up to the outer width less 9 pixels, and
    // shrinks with it, so that it never holds the window at its width.
    Edit1->setMaximumWidth(std::max(0, windowWidth - kPathBoxInset));
}

} // namespace tessel::ui
