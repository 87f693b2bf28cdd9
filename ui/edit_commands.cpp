// The window's commands that change the package: delete, rename, and files dropped in.
#include "main_window.h"

#include "folder_list_model.h"
#include "progress_window.h"
#include "run_guard.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace tessel::ui {

void Form1::AddPath(const std::string& diskPath, TreeNode* target) {
    AddPaths({diskPath}, target ? target : currentFolder_, {});
}

void Form1::AddPaths(const std::vector<std::string>& diskPaths, TreeNode* target,
                     const ProgressCallback& more) {
    if (!package_.isOpen())
        return;
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        if (event.node && event.node->parent() == currentFolder_) {
            // New entries join their folder as its last child.
            TreeNode* node = currentFolder_->lastChild();
            if (node->isFolder())
                ui_.model->insertRowAt(std::min(1, ui_.model->rowCount()), node);
            else
                ui_.model->appendRow(node);
        }
        if (more)
            more(event);
    };
    try {
        package_.AddPaths(diskPaths, target, observer);
    } catch (const RunCancelled&) {
        throw;
    } catch (...) {
        // Entries of a batch that was taken back may have rows already.
        ShowFolder(currentFolder_);
        throw;
    }
}

void Form1::Deletefiles1Click() {
    std::vector<int> rows;
    std::vector<TreeNode*> nodes;
    for (const int row : SelectedRows()) {
        if (ui_.model->isUpRow(row))
            continue;
        rows.push_back(row);
        nodes.push_back(ui_.model->nodeAt(row));
    }
    if (nodes.empty())
        return;
    const std::size_t before = package_.tree().count();
    try {
        package_.DeleteEntries(nodes);
    } catch (...) {
        // When the edit got as far as the tree, the rows would point at removed nodes.
        if (package_.tree().count() != before)
            ShowFolder(currentFolder_);
        throw;
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        ui_.model->removeRowAt(*row);
}

void Form1::Renamefile1Click() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || ui_.model->isUpRow(rows.front()))
        return;
    const int row = rows.front();
    TreeNode* node = ui_.model->nodeAt(row);
    const QString caption = FolderListModel::NameText(node->text());
    QInputDialog dialog(this);
    dialog.setObjectName("RenameDialog");
    dialog.setWindowTitle("Rename file");
    dialog.setLabelText(caption);
    dialog.setTextValue(caption);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = dialog.textValue().toStdString();
    try {
        package_.RenameEntry(node, name);
    } catch (...) {
        ui_.model->refreshRow(row);
        throw;
    }
    ui_.model->refreshRow(row);
}

void Form1::DropFileTarget1Drop(const QStringList& paths) {
    if (busy_)
        return;
    // A package dropped on the window is most likely meant to be opened.
    if (paths.size() == 1 && paths.front().endsWith(".vp", Qt::CaseInsensitive)) {
        const DroppedPackage choice =
            package_.isOpen() ? AskAboutDroppedPackage(paths.front()) : DroppedPackage::Open;
        if (choice == DroppedPackage::Cancel)
            return;
        if (choice == DroppedPackage::Open) {
            RunCommand([&] { LoadPackage(paths.front().toStdString()); });
            return;
        }
    }
    if (!package_.isOpen())
        return;
    const RunGuard guard(this, busy_);
    Form3_->showForRun();
    std::vector<std::string> diskPaths;
    for (const QString& path : paths)
        diskPaths.push_back(path.toStdString());
    const auto last = static_cast<std::int32_t>(paths.size() - 1);
    try {
        // Each entry added gives the progress window its turn, where Cancel may stop the
        // run: what was added before stays.
        AddPaths(diskPaths, currentFolder_, [&](const ProgressEvent& event) {
            Form3_->Progress(std::string(kAddingCaption), diskPaths[std::size_t(event.index)], last,
                             event.index);
        });
        Form3_->Progress(std::string(kAddingCaption), std::string(), 0, 0);
    } catch (...) {
        // Errors of a drop are not shown; what was added before stays.
        Form3_->hide();
    }
}

Form1::DroppedPackage Form1::AskAboutDroppedPackage(const QString& path) {
    QMessageBox box(QMessageBox::Question, "Tessel",
                    QString("\"%1\" is a VP package. Open it, or add it to this package as a file?")
                        .arg(QFileInfo(path).fileName()),
                    QMessageBox::NoButton, this);
    box.setObjectName("DroppedPackageBox");
    QPushButton* open = box.addButton("Open it", QMessageBox::AcceptRole);
    QPushButton* add = box.addButton("Add it to this package", QMessageBox::ActionRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(open);
    box.exec();
    if (box.clickedButton() == open)
        return DroppedPackage::Open;
    if (box.clickedButton() == add)
        return DroppedPackage::Add;
    return DroppedPackage::Cancel;
}

} // namespace tessel::ui
