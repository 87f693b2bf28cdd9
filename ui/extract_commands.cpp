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
#include "settings.h"
#include "status_texts.h"
#include "choice_box.h"
#include "edited_copies.h"
#include "error_box.h"
#include "temp_folder.h"

#include <QFileInfo>
#include <QUrl>
#include <QMessageBox>
#include <optional>

namespace tessel::ui {

namespace {

// What to do with files in the way of an extraction, asked one by one until the user
// answers for all that come.
class ExistingFileQuestion {
public:
    explicit ExistingFileQuestion(QWidget* parent) : parent_(parent) {}

    ExistingFile operator()(const TreeNode* entry, const std::string& path) {
        if (forAll_)
            return *forAll_;
        const QString there = QString::fromStdString(path);
        const Choice choice = Ask(
            parent_, {"ExistingFileBox", "Tessel", QString("\"%1\" already exists.").arg(there),
                      QString("In the folder: %1\nFrom the package: %2\n\nReplace it with the entry from the "
                              "package?")
                          .arg(DiskFileFacts(there), EntryFacts(entry)),
                      {"Replace", "Skip", "Replace all", "Skip all", "Cancel"},
                      QString()});
        switch (choice.button) {
        case 0:
            return ExistingFile::Replace;
        case 1:
            return ExistingFile::Keep;
        case 2:
            return *(forAll_ = ExistingFile::Replace);
        case 3:
            return *(forAll_ = ExistingFile::Keep);
        default:
            throw RunCancelled();
        }
    }

private:
    QWidget* parent_;
    std::optional<ExistingFile> forAll_;
};

} // namespace

void Form1::setLauncher(std::unique_ptr<Launcher> launcher) {
    launcher_ = std::move(launcher);
}

RunOutcome Form1::RunWithProgress(const std::function<void(const ProgressObserver&)>& run,
                                  bool askBeforeReplacing) {
    const RunGuard guard(this, busy_);
    Form3_->showForRun();
    RunOutcome outcome;
    const ProgressCallback shown = Form3_->callback();
    ProgressObserver observer{[&](const ProgressEvent& event) {
        if (event.node && event.node->isFile())
            ++outcome.files;
        outcome.bytes = event.bytes;
        shown(event);
    }};
    if (askBeforeReplacing)
        observer.existing = ExistingFileQuestion(this);
    observer.skipped = [&](const std::string&, const std::string&) { ++outcome.kept; };
    try {
        run(observer);
    } catch (const RunCancelled&) {
        Form3_->hide();
        outcome.cancelled = true;
    } catch (...) {
        Form3_->hide();
        throw;
    }
    return outcome;
}

void Form1::ReportExtraction(const RunOutcome& outcome, const std::string& destination) {
    const QString folder = QFileInfo(QString::fromStdString(destination)).absoluteFilePath();
    const qint64 written = outcome.files - outcome.kept;
    QString text = QString("%1 %2 file%3 (%4 bytes) to <a href=\"%5\">%6</a>")
                       .arg(outcome.cancelled ? "Cancelled after writing" : "Extracted")
                       .arg(written)
                       .arg(written == 1 ? "" : "s")
                       .arg(FolderListModel::SizeText(outcome.bytes))
                       .arg(QUrl::fromLocalFile(folder).toString().toHtmlEscaped(), folder.toHtmlEscaped());
    if (outcome.kept > 0)
        text += QString("; %1 existing kept").arg(outcome.kept);
    ShowResult(text);
}

void Form1::ToolButton5Click() {
    if (!package_.isOpen())
        return;
    Form2_->presetChoice(!SelectedEntries().empty());
    if (Form2_->exec() != Form2::ResultOk)
        return;
    if (Form2_->extractAll()) {
        const std::string destination = Form2_->destination().toStdString();
        Settings().setValue(kLastExtractionFolder, Form2_->destination());
        const RunOutcome outcome = RunWithProgress(
            [&](const ProgressObserver& progress) {
                package_.ExtractRange(destination, package_.tree().root(), nullptr, progress);
            },
            true);
        ReportExtraction(outcome, destination);
    } else {
        Settings().setValue(kLastExtractionFolder, Form2_->destination());
        ExtractSelection();
    }
}

void Form1::ExtractSelection() {
    const std::vector<const TreeNode*> nodes = SelectedEntries();
    if (nodes.empty())
        return;
    const std::string destination = Form2_->destination().toStdString();
    const RunOutcome outcome = RunWithProgress(
        [&](const ProgressObserver& progress) { package_.ExtractNodes(destination, nodes, progress); }, true);
    ReportExtraction(outcome, destination);
}

QString Form1::OpenCopyOfSelectedFile() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || ui_.model->isUpRow(rows.front()) || !ui_.model->nodeAt(rows.front())->isFile())
        return {};
    const TreeNode* entry = ui_.model->nodeAt(rows.front());
    const OpenFolder folder = copies_->newFolder();
    RunWithProgress([&](const ProgressObserver& progress) { package_.ExtractNodes(folder, {entry}, progress); });
    if (Form3_->cancelRequested())
        return {};
    const QString copy = QString::fromStdString(folder.path + "/" + NameToUtf8(entry->text()));
    copies_->watch(copy, PackagePath(), entry);
    return copy;
}

bool Form1::EnterSelectedFolder() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || !(ui_.model->isUpRow(rows.front()) || ui_.model->nodeAt(rows.front())->isFolder()))
        return false;
    ListView1DblClick(ui_.model->index(rows.front(), 0));
    return true;
}

void Form1::viewedit1Click() {
    // Opening a folder row goes into it, as a double-click does.
    if (EnterSelectedFolder())
        return;
    const QString copy = OpenCopyOfSelectedFile();
    if (copy.isEmpty() || launcher_->open(copy))
        return;
    const Choice choice =
        Ask(this, {"NoProgramBox", kApplicationTitle,
                   QString("No program is set to open \"%1\" on this desktop.").arg(FileNameOf(copy)),
                   "View it in the text editor instead?", {"View file", "Cancel"}, QString()});
    if (choice.button == 0)
        launcher_->viewText(copy);
}

void Form1::Viewfileinnotepad1Click() {
    if (EnterSelectedFolder())
        return;
    const QString copy = OpenCopyOfSelectedFile();
    if (!copy.isEmpty())
        launcher_->viewText(copy);
}

void Form1::CopyChanged(int id) {
    const QString name = FileNameOf(copies_->copyPath(id));
    const QString package = FileNameOf(copies_->packageOf(id));
    const Choice choice = Ask(this, {"CopyChangedBox", "Tessel",
                                     QString("%1 was changed. Update it in %2?").arg(name, package),
                                     QString("The copy is \"%1\".").arg(copies_->copyPath(id)),
                                     {"Update", "Ignore"},
                                     QString()});
    if (choice.button == 0)
        UpdateFromCopy(id);
}

bool Form1::UpdateFromCopy(int id) {
    const QString copy = copies_->copyPath(id);
    const QString package = FileNameOf(copies_->packageOf(id));
    QString problem;
    const TreeNode* entry = copies_->entryOf(id, PackagePath(), package_.tree());
    if (PackagePath() != copies_->packageOf(id))
        problem = QString("%1 is not the package open now.").arg(package);
    else if (!entry)
        problem = QString("The entry is no longer in %1: it was deleted or renamed.").arg(package);
    if (problem.isEmpty()) {
        try {
            package_.ReplaceEntry(entry, copy.toStdString());
            copies_->written(id);
            if (entry->parent() == currentFolder_)
                ui_.model->refreshRow(ui_.model->rowOf(entry));
            ShowTotals();
            SelectionStatistics();
            return true;
        } catch (const std::exception& error) {
            problem = ErrorBoxText(QString::fromStdString(error.what()));
        }
    }
    ShowErrorBox(this, problem + QString("\n\nThe changed copy was kept: \"%1\"").arg(copy));
    return false;
}

void Form1::ListView1MouseDown() {
    const std::vector<const TreeNode*> nodes = SelectedEntries();
    if (!package_.isOpen() || nodes.empty())
        return;
    const RunGuard guard(this, busy_);
    dragOut_->run(nodes, ui_.ListView1);
}

void Form1::DropFileSource1Drop() {
    const std::vector<const TreeNode*> nodes = SelectedEntries();
    RunWithProgress(
        [&](const ProgressObserver& progress) { package_.ExtractNodes(dragOut_->folder(), nodes, progress); });
    // A cancelled extraction must not be moved half done.
    if (Form3_->cancelRequested())
        throw RunCancelled();
}

void Form1::DropFileSource1AfterDrop(Qt::DropAction result) {
    dragOut_->afterDrop(result);
}

} // namespace tessel::ui
