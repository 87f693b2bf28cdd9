// The View menu's commands: Reload, the filter of the folder shown, and Find in package.
#include "main_window.h"

#include "entry_path.h"
#include "find_dialog.h"
#include "folder_list_model.h"
#include "folder_list_view.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolBar>

namespace tessel::ui {

void Form1::ReloadClick() {
    if (!package_.isOpen())
        return;
    // The folder shown and the current row are found again by their paths.
    const std::string folder = GetFolderPath(currentFolder_, 1);
    const QModelIndex current = ui_.ListView1->currentIndex();
    const std::string row = current.isValid() && !ui_.model->isUpRow(current.row())
                                ? ui_.model->nodeAt(current.row())->text()
                                : std::string();
    LoadPackage(PackagePath());
    const TreeNode* shown = FindEntry(package_.tree(), folder);
    if (!shown || !shown->isFolder())
        return;
    const TreeNode* again = nullptr;
    for (const TreeNode* child = shown->firstChild(); child && !row.empty(); child = child->nextSibling()) {
        if (child->text() == row) {
            again = child;
            break;
        }
    }
    ShowFolder(shown, again);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter ends filtering and gives the list the keyboard back.
    if (watched == ui_.FilterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        ui_.FilterBar->hide();
        ui_.FilterEdit->clear();
        ui_.ListView1->setFocus();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::ShowFilter() {
    ui_.FilterBar->show();
    ui_.FilterEdit->setFocus();
    ui_.FilterEdit->selectAll();
}

void Form1::FindInPackageClick() {
    if (!package_.isOpen())
        return;
    FindDialog dialog(package_.tree(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosen())
        return;
    const TreeNode* entry = dialog.chosen();
    // A filter that would hide the entry goes.
    ui_.FilterEdit->clear();
    ShowFolder(entry->parent(), entry);
}

} // namespace tessel::ui
