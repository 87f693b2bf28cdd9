// The parts of a main window that the widget tests use, found by their object names as
// accessibility tools and the tests of a user's view find them.
#pragma once

#include "folder_list_model.h"
#include "folder_list_view.h"
#include "launcher.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace tessel::ui {
class DropFileSource;
class Form1;
class Form2;
class Form3;
} // namespace tessel::ui

namespace tessel::testing {

struct WindowParts {
    // Fails the test at once when a part is missing.
    explicit WindowParts(ui::Form1& window);

    QLineEdit* Edit1;
    ui::FolderListView* ListView1;
    ui::FolderListModel* model;
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    QLabel* StatusPanel2;
    QLineEdit* FilterEdit;
    QMenu* PopupMenu1;
    QAction* Open1;
    QAction* Exit2;
    QAction* About1;
    QAction* ToolButton1;
    QAction* ToolButton3;
    QAction* ToolButton4;
    QAction* ToolButton5;
    QAction* SelectAll1;
    QAction* extracttoaspecifiedfolder1;
    QAction* viewedit1;
    QAction* Viewfileinnotepad1;
    QAction* Renamefile1;
    QAction* Deletefiles1;
    QAction* Filter;
    QAction* FindInPackage;
    QAction* Reload;
    ui::Form2* Form2;
    ui::Form3* Form3;
    ui::DropFileSource* DropFileSource1;
};

inline WindowParts Parts(ui::Form1& window) {
    return WindowParts(window);
}

// A desktop that opens every file without a word, for tests that open files by the way.
class QuietLauncher : public ui::Launcher {
public:
    bool open(const QString&) override { return true; }
    bool viewText(const QString&) override { return true; }
};

} // namespace tessel::testing
