// The widgets of the main window, built in the order and with the sizes of its design:
// the menus, the picture toolbar, the path box, the folder list, the two-panel status bar
// and the pop-up menu. Every widget and action carries its design name as its object name,
// by which tests and accessibility tools find it.
#pragma once

class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QToolBar;

namespace tessel::ui {

class FolderListModel;
class FolderListView;

struct WindowLayout {
    // Builds everything into the window, which owns it all.
    void build(QMainWindow* window);

    // Keeps the path box as wide as the window allows, never wider.
    void fitPathBox(int windowWidth);

    QLineEdit* Edit1 = nullptr;
    // The filter of the folder shown, above the list, hidden until asked for.
    QToolBar* FilterBar = nullptr;
    QLineEdit* FilterEdit = nullptr;
    QLabel* FilterCount = nullptr;
    FolderListView* ListView1 = nullptr;
    FolderListModel* model = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    // What the last command did (an extraction's result, a warning about the package), with
    // links to act on it.
    QLabel* StatusPanel2 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Exit2 = nullptr;
    QAction* About1 = nullptr;
    QAction* ToolButton3 = nullptr;
    QAction* ToolButton1 = nullptr;
    QAction* ToolButton5 = nullptr;
    QAction* ToolButton4 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* extracttoaspecifiedfolder1 = nullptr;
    QAction* viewedit1 = nullptr;
    QAction* Viewfileinnotepad1 = nullptr;
    QAction* Renamefile1 = nullptr;
    QAction* Deletefiles1 = nullptr;
    QMenu* OpenRecent = nullptr;
    QAction* Reload = nullptr;
    QAction* Filter = nullptr;
    QAction* FindInPackage = nullptr;

private:
    void buildMenus(QMainWindow* window);
    void buildToolBars(QMainWindow* window);
    void buildList(QMainWindow* window);
    void buildStatusBar(QMainWindow* window);
    void buildPopupMenu(QMainWindow* window);
};

} // namespace tessel::ui
