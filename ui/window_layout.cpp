#include "window_layout.h"

#include "folder_list_model.h"
#include "folder_list_view.h"

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
#include <algorithm>

namespace tessel::ui {

namespace {

constexpr int kPathBoxInset = 9;
constexpr int kToolButtonWidth = 69;
constexpr int kToolButtonHeight = 54;
constexpr int kToolBarLead = 8;
constexpr int kSelectionPanelWidth = 200;
constexpr int kColumnWidths[] = {300, 80, 110, 150};

QAction* NamedAction(QMainWindow* window, const char* name, const QString& text) {
    auto* action = new QAction(text, window);
    action->setObjectName(name);
    return action;
}

QToolBar* FixedToolBar(QMainWindow* window, const char* name) {
    QToolBar* bar = window->addToolBar(name);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    return bar;
}

} // namespace

void WindowLayout::build(QMainWindow* window) {
    buildMenus(window);
    buildToolBars(window);
    buildList(window);
    buildStatusBar(window);
    buildPopupMenu(window);
}

void WindowLayout::buildMenus(QMainWindow* window) {
    QMenu* file = window->menuBar()->addMenu("File");
    Open1 = NamedAction(window, "Open1", "Open..");
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Open1->setIcon(QIcon(":/icons/folder16.png"));
    file->addAction(Open1);
    file->addSeparator();
    Exit2 = NamedAction(window, "Exit2", "Exit");
    file->addAction(Exit2);
    About1 = NamedAction(window, "About1", "About");
    window->menuBar()->addAction(About1);
}

void WindowLayout::buildToolBars(QMainWindow* window) {
    ToolBar1 = FixedToolBar(window, "ToolBar1");
    ToolBar1->setIconSize(QSize(48, 48));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* lead = new QWidget(ToolBar1);
    lead->setFixedWidth(kToolBarLead);
    ToolBar1->addWidget(lead);

    ToolButton3 = NamedAction(window, "ToolButton3", "Up");
    ToolButton3->setIcon(QIcon(":/icons/up48.png"));
    ToolButton1 = NamedAction(window, "ToolButton1", "Open..");
    ToolButton1->setIcon(QIcon(":/icons/extract48.png"));
    QObject::connect(ToolButton1, &QAction::triggered, Open1, &QAction::trigger);
    ToolButton5 = NamedAction(window, "ToolButton5", "Extract");
    ToolButton5->setIcon(QIcon(":/icons/red48.png"));
    ToolButton4 = NamedAction(window, "ToolButton4", "Delete files");
    ToolButton4->setIcon(QIcon(":/icons/delete48.png"));
    for (QAction* action : {ToolButton3, ToolButton1, ToolButton5, ToolButton4}) {
        action->setToolTip(QString());
        ToolBar1->addAction(action);
        ToolBar1->widgetForAction(action)->setFixedSize(kToolButtonWidth, kToolButtonHeight);
    }

    window->addToolBarBreak();
    ToolBar2 = FixedToolBar(window, "ToolBar2");
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
    window->setCentralWidget(ListView1);
}

void WindowLayout::buildStatusBar(QMainWindow* window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel0->setFixedWidth(kSelectionPanelWidth);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName("StatusPanel1");
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPanel1, 1);
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
    for (QAction* action : {SelectAll1, Deletefiles1}) {
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
