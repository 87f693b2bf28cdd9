// The window's commands that change the package: delete, rename, and files dropped in.
#include "main_window.h"

#include "choice_box.h"
#include "entry_path.h"
#include "error_box.h"
#include "folder_list_model.h"
#include "name_text.h"
#include "progress_window.h"
#include "run_guard.h"
#include "settings.h"
#include "status_texts.h"

#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <optional>

namespace tessel::ui {

namespace {

// Paths listed in a message before the rest are only counted.
constexpr int kListedPaths = 10;

// What to do with files whose names the package has, asked one by one until the user
// answers for all that come.
class ClashQuestion {
public:
    ClashQuestion(QWidget* parent, const std::string& package) : parent_(parent), package_(package) {}

    NameClash operator()(const std::string& diskPath, const TreeNode* existing) {
        if (forAll_)
            return *forAll_;
        const QString path = QString::fromStdString(diskPath);
        const Choice choice =
            Ask(parent_, {"NameClashBox", "Tessel",
                          QString("%1 already has \"%2\".")
                              .arg(FileNameOf(package_), QString::fromStdString(EntryPath(existing))),
                          QString("In the package: %1\nAdding \"%2\": %3\n\nReplace the entry's bytes with "
                                  "the file's, keep both, or skip the file?")
                              .arg(EntryFacts(existing), path, DiskFileFacts(path)),
                          {"Replace", "Keep both", "Skip", "Cancel"},
                          "Do the same for the other names that exist"});
        if (choice.button == 3)
            throw RunCancelled();
        const NameClash answer = choice.button == 0   ? NameClash::Replace
                                 : choice.button == 1 ? NameClash::KeepBoth
                                                      : NameClash::Skip;
        if (choice.checked)
            forAll_ = answer;
        return answer;
    }

private:
    QWidget* parent_;
    std::string package_;
    std::optional<NameClash> forAll_;
};

QString Counted(qint64 count, const char* noun) {
    return QString("%1 %2%3").arg(QLocale().toString(count), noun, count == 1 ? "" : "s");
}

// What a deletion takes: the entries by name or number, what the folders hold, and the
// bytes of everything.
QString DeletionText(const std::vector<const TreeNode*>& nodes, const std::string& package) {
    qint64 files = 0, folders = 0, inside = 0, bytes = 0;
    for (const TreeNode* node : nodes) {
        (node->isFolder() ? folders : files) += 1;
        for (const TreeNode* walk : Subtree(node)) {
            if (walk != node)
                ++inside;
            if (const EntryRecord* record = walk->record())
                bytes += record->Size;
        }
    }
    QString what;
    if (nodes.size() == 1)
        what = QString("\"%1\"").arg(FolderListModel::NameText(nodes.front()->text()));
    else if (folders == 0 || files == 0)
        what = "these " + (folders == 0 ? Counted(files, "file") : Counted(folders, "folder"));
    else
        what = Counted(files, "file") + " and " + Counted(folders, "folder");
    QString text = QString("Delete %1 from %2?").arg(what, FileNameOf(package));
    if (folders > 0)
        text += QString("\n\n%1 %2.").arg(folders == 1 ? "The folder holds" : "The folders hold",
                                           Counted(inside, "entry").replace("entrys", "entries"));
    return text + QString("\n%1 bytes in all.").arg(FolderListModel::SizeText(bytes));
}

} // namespace

bool Form1::ConfirmDeletion(const std::vector<const TreeNode*>& nodes) {
    Settings settings;
    if (!settings.value(kAskBeforeDeleting, true).toBool())
        return true;
    const Choice choice = Ask(this, {"DeleteBox", "Delete", DeletionText(nodes, PackagePath()),
                                     "This cannot be undone.", {"Delete", "Cancel"}, "Do not ask again"});
    if (choice.button != 0)
        return false;
    if (choice.checked)
        settings.setValue(kAskBeforeDeleting, false);
    return true;
}

void Form1::ReportSkipped(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    QString text = QString("%1 of the items given could not be added:\n\n").arg(lines.size());
    text += lines.mid(0, kListedPaths).join("\n");
    if (lines.size() > kListedPaths)
        text += QString("\n… and %1 more").arg(lines.size() - kListedPaths);
    QMessageBox box(QMessageBox::Warning, kApplicationTitle, text, QMessageBox::Ok, this);
    box.setObjectName("SkippedBox");
    box.exec();
}

void Form1::AddPath(const std::string& diskPath, const TreeNode* target) {
    AddPaths({diskPath}, target ? target : currentFolder_, {});
}

void Form1::AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* target,
                     const ProgressCallback& more) {
    if (!package_.isOpen())
        return;
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        if (event.node && event.node->parent() == currentFolder_) {
            if (event.replaced) {
                ui_.model->refreshRow(ui_.model->rowOf(event.node));
            } else {
                // New entries join their folder as its last child.
                const TreeNode* node = currentFolder_->lastChild();
                if (node->isFolder())
                    ui_.model->insertRowAt(std::min(1, ui_.model->rowCount()), node);
                else
                    ui_.model->appendRow(node);
            }
        }
        if (more)
            more(event);
    };
    QStringList skipped;
    observer.skipped = [&](const std::string& path, const std::string& why) {
        skipped << QString::fromStdString(path + ": " + why);
    };
    observer.clash = ClashQuestion(this, PackagePath());
    try {
        package_.AddPaths(diskPaths, target, observer);
    } catch (const RunCancelled&) {
        ShowTotals();
        ReportSkipped(skipped);
        throw;
    } catch (...) {
        // Entries of a batch that was taken back may have rows already.
        ShowFolder(currentFolder_);
        throw;
    }
    ShowTotals();
    ReportSkipped(skipped);
}

void Form1::Deletefiles1Click() {
    std::vector<int> rows;
    std::vector<const TreeNode*> nodes;
    for (const int row : SelectedRows()) {
        if (ui_.model->isUpRow(row))
            continue;
        rows.push_back(row);
        nodes.push_back(ui_.model->nodeAt(row));
    }
    if (nodes.empty() || !ConfirmDeletion(nodes))
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
    // The rows still point at the removed entries: the selection they leave is not read
    // until they are gone.
    removingRows_ = true;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        ui_.model->removeRowAt(*row);
    removingRows_ = false;
    ShowTotals();
    SelectionStatistics();
}

void Form1::Renamefile1Click() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || ui_.model->isUpRow(rows.front()))
        return;
    const int row = rows.front();
    const TreeNode* node = ui_.model->nodeAt(row);
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
    } catch (const RunCancelled&) {
        // What was added before the Cancel stays.
        Form3_->hide();
    } catch (const std::exception& error) {
        // What was added before the failure stays; the failure is said.
        Form3_->hide();
        ShowErrorBox(this, QString::fromStdString(error.what()));
    }
}

Form1::DroppedPackage Form1::AskAboutDroppedPackage(const QString& path) {
    QMessageBox box(QMessageBox::Question, "Tessel",
                    QString("\"%1\" is a VP package. Open it, or add it to this package as a file?")
                        .arg(FileNameOf(path)),
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
