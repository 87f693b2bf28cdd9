// The window's commands as actions, and where they show: the menus, the picture toolbar
// and the list's pop-up menu. Each action carries the design's name as its object name, by
// which tests and accessibility tools find it; its field says what it does.
#pragma once

class QAction;
class QMainWindow;
class QMenu;
class QString;
class QToolBar;
class QWidget;

namespace tessel::ui {

struct WindowActions {
    // Makes the actions and the toolbar of commands; the menus come with buildMenus, once
    // the rest of the window stands.
    void build(QMainWindow* window);
    void buildMenus(QMainWindow* window);
    // The pop-up menu's shortcuts act while the list has the keyboard.
    void attachListShortcuts(QWidget* list);
    // The commands that change the package, enabled or disabled with the reason as their
    // tooltip.
    void setEditable(bool editable, const QString& whyNot);

    QToolBar* commandBar = nullptr; // ToolBar1
    QMenu* entryMenu = nullptr;     // PopupMenu1
    QMenu* recentMenu = nullptr;    // OpenRecent

    QAction* open = nullptr; // Open1
    QAction* newPackage = nullptr;
    QAction* addFiles = nullptr;
    QAction* addFolder = nullptr;
    QAction* addButton = nullptr;
    QAction* exit = nullptr;            // Exit2
    QAction* about = nullptr;           // About1
    QAction* up = nullptr;              // ToolButton3
    QAction* openButton = nullptr;      // ToolButton1
    QAction* extract = nullptr;         // ToolButton5
    QAction* deleteButton = nullptr;    // ToolButton4
    QAction* selectAll = nullptr;       // SelectAll1
    QAction* extractToFolder = nullptr; // extracttoaspecifiedfolder1
    QAction* openFile = nullptr;        // viewedit1
    QAction* viewFile = nullptr;        // Viewfileinnotepad1
    QAction* rename = nullptr;          // Renamefile1
    QAction* deleteEntries = nullptr;   // Deletefiles1
    QAction* reload = nullptr;
    QAction* filter = nullptr;
    QAction* findInPackage = nullptr;
    // Shows and hides the preview pane.
    QAction* preview = nullptr;
    // Shows and hides the folder tree.
    QAction* folderTree = nullptr;
    QAction* openFolderOfPackages = nullptr;
    QAction* compareWithPackage = nullptr;
    QAction* compareWithFolder = nullptr;
    QAction* onlyDifferences = nullptr;
    QAction* endComparison = nullptr;

private:
    void buildToolBar(QMainWindow* window);
    void buildEntryMenu(QMainWindow* window);
};

// A toolbar fixed in its place, named for assistive tools by its title.
QToolBar* FixedToolBar(QMainWindow* window, const char* name, const char* title);

} // namespace tessel::ui
