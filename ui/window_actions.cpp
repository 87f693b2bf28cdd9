#include "window_actions.h"

#include <QAbstractButton>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <utility>

namespace tessel::ui {

namespace {

constexpr int kToolButtonWidth = 69;
constexpr int kToolButtonHeight = 54;
constexpr int kToolBarLead = 8;

QAction* NamedAction(QMainWindow* window, const char* name, const QString& text) {
    auto* action = new QAction(text, window);
    action->setObjectName(name);
    return action;
}

// The desktop's icon where its theme has one, else ours.
QIcon ThemeIcon(const char* name, const char* ours) {
    return QIcon::fromTheme(name, QIcon(ours));
}

} // namespace

QToolBar* FixedToolBar(QMainWindow* window, const char* name, const char* title) {
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

void WindowActions::build(QMainWindow* window) {
    open = NamedAction(window, "Open1", "Open..");
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setIcon(ThemeIcon("document-open", ":/icons/folder16.png"));
    newPackage = NamedAction(window, "NewPackage", "New Package..");
    newPackage->setShortcut(QKeySequence::New);
    newPackage->setIcon(QIcon::fromTheme("document-new"));
    addFiles = NamedAction(window, "AddFiles", "Add Files..");
    addFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    addFiles->setIcon(ThemeIcon("list-add", ":/icons/add48.png"));
    addFolder = NamedAction(window, "AddFolder", "Add Folder..");
    addFolder->setIcon(ThemeIcon("folder-new", ":/icons/folder16.png"));
    openFolderOfPackages = NamedAction(window, "OpenFolderOfPackages", "Open Folder of Packages..");
    compareWithPackage = NamedAction(window, "CompareWithPackage", "Compare With Package..");
    compareWithFolder = NamedAction(window, "CompareWithFolder", "Compare With Folder..");
    onlyDifferences = NamedAction(window, "OnlyDifferences", "Only Differences");
    onlyDifferences->setCheckable(true);
    onlyDifferences->setEnabled(false);
    endComparison = NamedAction(window, "EndComparison", "End Comparison");
    endComparison->setEnabled(false);
    folderTree = NamedAction(window, "FolderTree", "Folder Tree");
    folderTree->setShortcut(QKeySequence(Qt::Key_F9));
    folderTree->setCheckable(true);
    exit = NamedAction(window, "Exit2", "Exit");
    exit->setShortcut(QKeySequence::Quit);
    about = NamedAction(window, "About1", "About");
    filter = NamedAction(window, "Filter", "Filter this folder");
    filter->setShortcut(QKeySequence::Find);
    findInPackage = NamedAction(window, "FindInPackage", "Find in package..");
    findInPackage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    reload = NamedAction(window, "Reload", "Reload");
    reload->setShortcut(QKeySequence::Refresh);
    preview = NamedAction(window, "Preview", "Preview");
    preview->setShortcut(QKeySequence(Qt::Key_F3));
    preview->setCheckable(true);
    buildToolBar(window);
    buildEntryMenu(window);
}

void WindowActions::buildToolBar(QMainWindow* window) {
    commandBar = FixedToolBar(window, "ToolBar1", "Commands");
    commandBar->setIconSize(QSize(48, 48));
    commandBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto* lead = new QWidget(commandBar);
    lead->setFixedWidth(kToolBarLead);
    commandBar->addWidget(lead);

    up = NamedAction(window, "ToolButton3", "Up");
    up->setIcon(ThemeIcon("go-up", ":/icons/up48.png"));
    up->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    openButton = NamedAction(window, "ToolButton1", "Open..");
    openButton->setIcon(ThemeIcon("document-open", ":/icons/open48.png"));
    QObject::connect(openButton, &QAction::triggered, open, &QAction::trigger);
    extract = NamedAction(window, "ToolButton5", "Extract");
    extract->setIcon(ThemeIcon("archive-extract", ":/icons/red48.png"));
    addButton = NamedAction(window, "AddButton", "Add files");
    addButton->setIcon(ThemeIcon("list-add", ":/icons/add48.png"));
    QObject::connect(addButton, &QAction::triggered, addFiles, &QAction::trigger);
    deleteButton = NamedAction(window, "ToolButton4", "Delete files");
    deleteButton->setIcon(ThemeIcon("edit-delete", ":/icons/delete48.png"));
    const std::pair<QAction*, const char*> buttons[] = {
        {up, "Go to the folder that holds this one (Alt+Up)"},
        {openButton, "Open a VP package (Ctrl+O)"},
        {extract, "Extract the package or the selected entries to a folder"},
        {addButton, "Add files to the folder shown (Ctrl+Shift+A)"},
        {deleteButton, "Delete the selected entries from the package (Delete)"},
    };
    for (const auto& [action, tip] : buttons) {
        action->setToolTip(action->text() + ": " + tip);
        commandBar->addAction(action);
        QWidget* button = commandBar->widgetForAction(action);
        button->setFixedSize(kToolButtonWidth, kToolButtonHeight);
        button->setAccessibleName(action->text());
        button->setAccessibleDescription(tip);
    }
}

void WindowActions::buildEntryMenu(QMainWindow* window) {
    entryMenu = new QMenu(window);
    entryMenu->setObjectName("PopupMenu1");
    selectAll = NamedAction(window, "SelectAll1", "Select All");
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    extractToFolder = NamedAction(window, "extracttoaspecifiedfolder1", "Extract to a specified folder");
    QObject::connect(extractToFolder, &QAction::triggered, extract, &QAction::trigger);
    openFile = NamedAction(window, "viewedit1", "Open file");
    viewFile = NamedAction(window, "Viewfileinnotepad1", "View file");
    rename = NamedAction(window, "Renamefile1", "Rename file");
    rename->setShortcut(QKeySequence(Qt::Key_F2));
    deleteEntries = NamedAction(window, "Deletefiles1", "Delete files");
    deleteEntries->setShortcut(QKeySequence(Qt::Key_Delete));
    QObject::connect(deleteButton, &QAction::triggered, deleteEntries, &QAction::trigger);

    entryMenu->addAction(selectAll);
    entryMenu->addSeparator();
    entryMenu->addAction(extractToFolder);
    entryMenu->addAction(openFile);
    entryMenu->addSeparator();
    entryMenu->addAction(viewFile);
    entryMenu->addAction(rename);
    entryMenu->addAction(deleteEntries);
    entryMenu->addSeparator();
    entryMenu->addAction(addFiles);
    entryMenu->addAction(addFolder);
}

void WindowActions::setEditable(bool editable, const QString& whyNot) {
    const std::pair<QAction*, const char*> edits[] = {
        {rename, "Rename the selected entry (F2)"},
        {deleteEntries, "Delete the selected entries (Delete)"},
        {deleteButton, "Delete files: Delete the selected entries from the package (Delete)"},
        {addFiles, "Add files to the folder shown (Ctrl+Shift+A)"},
        {addFolder, "Add a folder, with everything in it, to the folder shown"},
        {addButton, "Add files: Add files to the folder shown (Ctrl+Shift+A)"},
    };
    for (const auto& [action, tip] : edits) {
        action->setEnabled(editable);
        action->setToolTip(editable ? QString(tip) : whyNot);
    }
}

void WindowActions::attachListShortcuts(QWidget* list) {
    for (QAction* action : {selectAll, deleteEntries, rename}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(action);
    }
}

void WindowActions::buildMenus(QMainWindow* window) {
    QMenu* file = window->menuBar()->addMenu("&File");
    file->setObjectName("FileMenu");
    file->addAction(newPackage);
    file->addAction(open);
    recentMenu = file->addMenu("Open &Recent");
    recentMenu->setObjectName("OpenRecent");
    file->addAction(openFolderOfPackages);
    file->addSeparator();
    file->addAction(compareWithPackage);
    file->addAction(compareWithFolder);
    file->addSeparator();
    file->addAction(extractToFolder);
    file->addSeparator();
    file->addAction(exit);

    // The list's commands, reachable from the keyboard and by assistive tools as well as
    // from the pop-up menu.
    QMenu* edit = window->menuBar()->addMenu("&Edit");
    edit->setObjectName("EditMenu");
    for (QAction* action : {openFile, viewFile, rename, deleteEntries, selectAll})
        edit->addAction(action);
    edit->addSeparator();
    edit->addAction(addFiles);
    edit->addAction(addFolder);

    QMenu* view = window->menuBar()->addMenu("&View");
    view->setObjectName("ViewMenu");
    for (QAction* action : {up, filter, findInPackage, reload})
        view->addAction(action);
    view->addSeparator();
    view->addAction(onlyDifferences);
    view->addAction(endComparison);
    view->addSeparator();
    view->addAction(folderTree);
    view->addAction(preview);

    window->menuBar()->addAction(about);
}

} // namespace tessel::ui
