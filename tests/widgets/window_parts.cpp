#include "window_parts.h"

#include "drop_file_source.h"
#include "extract_dialog.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "main_window.h"
#include "progress_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <cstdio>
#include <cstdlib>

namespace tessel::testing {

namespace {

template <typename T> T* Find(ui::Form1& window, const char* name) {
    T* part = window.findChild<T*>(name);
    if (!part) {
        std::fprintf(stderr, "the window has no part named %s\n", name);
        std::abort();
    }
    return part;
}

} // namespace

WindowParts::WindowParts(ui::Form1& window)
    : Edit1(Find<QLineEdit>(window, "Edit1")), ListView1(Find<ui::FolderListView>(window, "ListView1")),
      model(static_cast<ui::FolderListModel*>(ListView1->model())),
      StatusPanel0(Find<QLabel>(window, "StatusPanel0")), StatusPanel1(Find<QLabel>(window, "StatusPanel1")),
      StatusPanel2(Find<QLabel>(window, "StatusPanel2")), FilterEdit(Find<QLineEdit>(window, "FilterEdit")),
      PopupMenu1(Find<QMenu>(window, "PopupMenu1")), Open1(Find<QAction>(window, "Open1")),
      Exit2(Find<QAction>(window, "Exit2")), About1(Find<QAction>(window, "About1")),
      ToolButton1(Find<QAction>(window, "ToolButton1")), ToolButton3(Find<QAction>(window, "ToolButton3")),
      ToolButton4(Find<QAction>(window, "ToolButton4")), ToolButton5(Find<QAction>(window, "ToolButton5")),
      SelectAll1(Find<QAction>(window, "SelectAll1")),
      extracttoaspecifiedfolder1(Find<QAction>(window, "extracttoaspecifiedfolder1")),
      viewedit1(Find<QAction>(window, "viewedit1")),
      Viewfileinnotepad1(Find<QAction>(window, "Viewfileinnotepad1")),
      Renamefile1(Find<QAction>(window, "Renamefile1")), Deletefiles1(Find<QAction>(window, "Deletefiles1")),
      Filter(Find<QAction>(window, "Filter")), FindInPackage(Find<QAction>(window, "FindInPackage")),
      Reload(Find<QAction>(window, "Reload")), Form2(Find<ui::Form2>(window, "Form2")),
      Form3(Find<ui::Form3>(window, "Form3")),
      DropFileSource1(Find<ui::DropFileSource>(window, "DropFileSource1")) {}

} // namespace tessel::testing
