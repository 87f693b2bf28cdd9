// The window's commands that write entries out: Extract, Open file, View file, and the
// drag of rows onto other windows.
#include "main_window.h"

#include "drag_out.h"
#include "extract_dialog.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "launcher.h"
#include "name_text.h"
#include "progress_window.h"
#include "run_guard.h"
#include "temp_folder.h"

namespace tessel::ui {

void Form1::setLauncher(std::unique_ptr<Launcher> launcher) {
    launcher_ = std::move(launcher);
}

void Form1::RunWithProgress(const std::function<void(const ProgressObserver&)>& run) {
    const RunGuard guard(this, busy_);
    Form3_->showForRun();
    try {
        run(ProgressObserver{Form3_->callback()});
    } catch (const RunCancelled&) {
        Form3_->hide();
    } catch (...) {
        Form3_->hide();
        throw;
    }
}

void Form1::ToolButton5Click() {
    if (!package_.isOpen())
        return;
    Form2_->presetChoice(!SelectedEntries().empty());
    if (Form2_->exec() != Form2::ResultOk)
        return;
    if (Form2_->extractAll()) {
        const std::string destination = Form2_->destination().toStdString();
        RunWithProgress([&](const ProgressObserver& progress) {
            package_.ExtractRange(destination, package_.tree().root(), nullptr, progress);
        });
    } else {
        ExtractSelection(false);
    }
}

void Form1::ExtractSelection(bool toTemp) {
    const std::vector<TreeNode*> nodes = SelectedEntries();
    if (nodes.empty())
        return;
    if (toTemp) {
        const OpenFolder temp = PrepareTempFolder();
        RunWithProgress([&](const ProgressObserver& progress) { package_.ExtractNodes(temp, nodes, progress); });
        return;
    }
    const std::string destination = Form2_->destination().toStdString();
    RunWithProgress(
        [&](const ProgressObserver& progress) { package_.ExtractNodes(destination, nodes, progress); });
}

QString Form1::ExtractSelectedFileToTemp() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || ui_.model->isUpRow(rows.front()) || !ui_.model->nodeAt(rows.front())->isFile())
        return {};
    ExtractSelection(true);
    if (Form3_->cancelRequested())
        return {};
    return QString::fromStdString(TempFolderPath() + "/" +
                                  NameToUtf8(ui_.model->nodeAt(rows.front())->text()));
}

void Form1::viewedit1Click() {
    const QString copy = ExtractSelectedFileToTemp();
    if (!copy.isEmpty())
        launcher_->open(copy);
}

void Form1::Viewfileinnotepad1Click() {
    const QString copy = ExtractSelectedFileToTemp();
    if (!copy.isEmpty())
        launcher_->viewText(copy);
}

void Form1::ListView1MouseDown() {
    const std::vector<TreeNode*> nodes = SelectedEntries();
    if (!package_.isOpen() || nodes.empty())
        return;
    const RunGuard guard(this, busy_);
    dragOut_->run(nodes, ui_.ListView1);
}

void Form1::DropFileSource1Drop() {
    dragOut_->clearForDrop();
    ExtractSelection(true);
    // A cancelled extraction must not be moved half done.
    if (Form3_->cancelRequested())
        throw RunCancelled();
}

void Form1::DropFileSource1AfterDrop(Qt::DropAction result) {
    dragOut_->afterDrop(result);
}

} // namespace tessel::ui
