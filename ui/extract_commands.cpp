#include "extract_commands.h"

#include "choice_box.h"
#include "drag_out.h"
#include "drop_file_source.h"
#include "edit_back.h"
#include "entry_path.h"
#include "error_box.h"
#include "extract_dialog.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "launcher.h"
#include "name_text.h"
#include "progress_window.h"
#include "run_guard.h"
#include "settings.h"
#include "status_texts.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>
#include <optional>

namespace tessel::ui {

namespace {

// What to do with files in the way of an extraction, asked one by one until the user
// answers for all that come.
class ExistingFileQuestion {
public:
    // A duplicate is a file that an earlier entry of the same run wrote: two entries of one
    // name, or names that show alike.
    ExistingFileQuestion(QWidget* parent, bool duplicates) : parent_(parent), duplicates_(duplicates) {}

    ExistingFile operator()(const TreeNode* entry, const std::string& path) {
        if (forAll_)
            return *forAll_;
        const QString there = QString::fromStdString(path);
        const QStringList buttons{"Replace", "Skip", "Replace all", "Skip all", "Cancel"};
        const Question question =
            duplicates_
                ? Question{"DuplicateEntryBox",
                           "Tessel",
                           QString("Two entries of the package land on \"%1\".").arg(there),
                           QString("Written already: %1\nThis one: \"%2\", %3\n\nReplace the first with this "
                                   "one?")
                               .arg(DiskFileFacts(there), QString::fromStdString(EntryPath(entry)),
                                    EntryFacts(entry)),
                           buttons,
                           QString()}
                : Question{
                      "ExistingFileBox",
                      "Tessel",
                      QString("\"%1\" already exists.").arg(there),
                      QString("In the folder: %1\nFrom the package: %2\n\nReplace it with the entry from the "
                              "package?")
                          .arg(DiskFileFacts(there), EntryFacts(entry)),
                      buttons,
                      QString()};
        switch (Ask(parent_, question).button) {
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
    bool duplicates_;
    std::optional<ExistingFile> forAll_;
};

} // namespace

ExtractCommands::ExtractCommands(const WindowContext& context, EditBack& editBack)
    : QObject(context.window), context_(context), editBack_(editBack), options_(new Form2(context.window)),
      launcher_(std::make_unique<DesktopLauncher>()), dragOut_(new DragOut(this)) {
    dragOut_->source()->Drop = [this] { dropOut(); };
    dragOut_->source()->AfterDrop = [this](Qt::DropAction result) { afterDrop(result); };
}

ExtractCommands::~ExtractCommands() = default;

void ExtractCommands::setLauncher(std::unique_ptr<Launcher> launcher) {
    launcher_ = std::move(launcher);
}

void ExtractCommands::report(const RunOutcome& outcome, const std::string& destination) {
    const QString folder = QFileInfo(QString::fromStdString(destination)).absoluteFilePath();
    const qint64 written = outcome.files - outcome.kept;
    QString text = QString("%1 %2 file%3 (%4 bytes) to <a href=\"%5\">%6</a>")
                       .arg(outcome.cancelled ? "Cancelled after writing" : "Extracted")
                       .arg(written)
                       .arg(written == 1 ? "" : "s")
                       .arg(FolderListModel::SizeText(outcome.bytes - outcome.keptBytes))
                       .arg(QUrl::fromLocalFile(folder).toString().toHtmlEscaped(), folder.toHtmlEscaped());
    if (outcome.kept > 0)
        text += QString("; kept %1 existing file%2 (%3 bytes)")
                    .arg(outcome.kept)
                    .arg(outcome.kept == 1 ? "" : "s")
                    .arg(FolderListModel::SizeText(outcome.keptBytes));
    context_.status.showResult(text);
}

void ExtractCommands::extract() {
    if (!context_.package.isOpen())
        return;
    options_->presetChoice(!context_.browser.selectedEntries().empty());
    if (options_->exec() != Form2::ResultOk)
        return;
    Settings().setValue(kLastExtractionFolder, options_->destination());
    Settings().setValue(kKeepExtractionDates, options_->keepDates());
    if (!options_->extractAll())
        return extractSelection();
    const std::string destination = options_->destination().toStdString();
    const Package& package = context_.package;
    const RunOutcome outcome = context_.runner.runWithProgress(
        [&](const ProgressObserver& progress) {
            package.ExtractRange(destination, package.tree().root(), nullptr, progress,
                                 {options_->keepDates()});
        },
        ExistingFileQuestion(context_.window, false), ExistingFileQuestion(context_.window, true));
    report(outcome, destination);
}

void ExtractCommands::extractSelection() {
    const std::vector<const TreeNode*> nodes = context_.browser.selectedEntries();
    if (nodes.empty())
        return;
    const std::string destination = options_->destination().toStdString();
    const RunOutcome outcome = context_.runner.runWithProgress(
        [&](const ProgressObserver& progress) {
            context_.package.ExtractNodes(destination, nodes, progress, {options_->keepDates()});
        },
        ExistingFileQuestion(context_.window, false), ExistingFileQuestion(context_.window, true));
    report(outcome, destination);
}

QString ExtractCommands::copyOfSelectedFile() {
    const TreeNode* entry = context_.browser.selectedFile();
    if (!entry)
        return {};
    const OpenFolder folder = editBack_.newFolder();
    context_.runner.runWithProgress(
        [&](const ProgressObserver& progress) { context_.package.ExtractNodes(folder, {entry}, progress); });
    if (context_.runner.progressWindow()->cancelRequested())
        return {};
    const QString copy = QString::fromStdString(folder.path + "/" + NameToUtf8(entry->text()));
    editBack_.watch(copy, entry);
    return copy;
}

bool ExtractCommands::enterSelectedFolder() {
    if (!context_.browser.selectionIsOneFolder())
        return false;
    const std::vector<int> rows = context_.browser.selectedRows();
    context_.browser.activate(context_.browser.model()->index(rows.front(), 0));
    return true;
}

void ExtractCommands::openFile() {
    // Opening a folder row goes into it, as a double-click does.
    if (enterSelectedFolder())
        return;
    const QString copy = copyOfSelectedFile();
    if (copy.isEmpty() || launcher_->open(copy))
        return;
    const Choice choice = Ask(
        context_.window, {"NoProgramBox",
                          kApplicationTitle,
                          QString("No program is set to open \"%1\" on this desktop.").arg(FileNameOf(copy)),
                          "View it in the text editor instead?",
                          {"View file", "Cancel"},
                          QString()});
    if (choice.button == 0)
        viewText(copy);
}

void ExtractCommands::viewFile() {
    if (enterSelectedFolder())
        return;
    const QString copy = copyOfSelectedFile();
    if (!copy.isEmpty())
        viewText(copy);
}

void ExtractCommands::viewText(const QString& copy) {
    if (launcher_->viewText(copy))
        return;
    QMessageBox box(QMessageBox::Warning, kApplicationTitle,
                    "No text editor was found on this desktop to show the copy in.", QMessageBox::Ok,
                    context_.window);
    box.setObjectName("NoEditorBox");
    box.setInformativeText(QString("The copy is \"%1\"; open it with a program of your choice.").arg(copy));
    box.exec();
}

void ExtractCommands::startDrag() {
    const std::vector<const TreeNode*> nodes = context_.browser.selectedEntries();
    if (!context_.package.isOpen() || nodes.empty())
        return;
    const auto guard = context_.runner.hold();
    dragOut_->run(nodes, context_.browser.list());
}

void ExtractCommands::dropOut() {
    const std::vector<const TreeNode*> nodes = context_.browser.selectedEntries();
    context_.runner.runWithProgress([&](const ProgressObserver& progress) {
        context_.package.ExtractNodes(dragOut_->folder(), nodes, progress);
    });
    // A cancelled extraction must not be moved half done.
    if (context_.runner.progressWindow()->cancelRequested())
        throw RunCancelled();
}

void ExtractCommands::afterDrop(Qt::DropAction result) {
    dragOut_->afterDrop(result);
}

} // namespace tessel::ui
