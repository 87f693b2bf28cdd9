#include "edit_commands.h"

#include "choice_box.h"
#include "entry_path.h"
#include "error_box.h"
#include "folder_list_model.h"
#include "folder_list_view.h"
#include "package_error.h"
#include "progress_window.h"
#include "run_guard.h"
#include "settings.h"
#include "status_texts.h"

#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <exception>
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
            Ask(parent_, {"NameClashBox",
                          "Tessel",
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
        text += QString("\n\n%1 %2.")
                    .arg(folders == 1 ? "The folder holds" : "The folders hold",
                         Counted(inside, "entry").replace("entrys", "entries"));
    return text + QString("\n%1 bytes in all.").arg(FolderListModel::SizeText(bytes));
}

} // namespace

EditCommands::EditCommands(const WindowContext& context, std::function<void(const std::string&)> openPackage)
    : QObject(context.window), context_(context), openPackage_(std::move(openPackage)) {}

bool EditCommands::confirmDeletion(const std::vector<const TreeNode*>& nodes) {
    Settings settings;
    if (!settings.value(kAskBeforeDeleting, true).toBool())
        return true;
    const Choice choice = Ask(context_.window, {"DeleteBox",
                                                "Delete",
                                                DeletionText(nodes, context_.package.path()),
                                                "This cannot be undone.",
                                                {"Delete", "Cancel"},
                                                "Do not ask again"});
    if (choice.button != 0)
        return false;
    if (choice.checked)
        settings.setValue(kAskBeforeDeleting, false);
    return true;
}

void EditCommands::reportSkipped(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    QString text = QString("%1 of the items given could not be added:\n\n").arg(lines.size());
    text += lines.mid(0, kListedPaths).join("\n");
    if (lines.size() > kListedPaths)
        text += QString("\n… and %1 more").arg(lines.size() - kListedPaths);
    QMessageBox box(QMessageBox::Warning, kApplicationTitle, text, QMessageBox::Ok, context_.window);
    box.setObjectName("SkippedBox");
    box.exec();
}

void EditCommands::addPaths(const std::vector<std::string>& diskPaths, const TreeNode* target,
                            const ProgressCallback& more, const RunChoices& choices) {
    if (!context_.package.isOpen())
        return;
    FolderBrowser& browser = context_.browser;
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        if (event.node) {
            if (event.replaced)
                browser.entryChanged(event.node);
            else
                browser.entryAdded(event.node);
        }
        if (more)
            more(event);
    };
    QStringList skipped;
    observer.skipped = [&](const std::string& path, const std::string& why) {
        skipped << QString::fromStdString(path + ": " + why);
    };
    observer.clash = ClashQuestion(context_.window, context_.package.path());
    try {
        context_.package.AddPaths(diskPaths, target, observer, choices);
    } catch (const RunCancelled&) {
        context_.refreshStatus();
        reportSkipped(skipped);
        throw;
    } catch (...) {
        // Entries of a run that was taken back may have rows already.
        browser.showFolder(browser.currentFolder());
        throw;
    }
    context_.refreshStatus();
    reportSkipped(skipped);
}

void EditCommands::deleteSelection() {
    FolderBrowser& browser = context_.browser;
    std::vector<int> rows;
    std::vector<const TreeNode*> nodes;
    for (const int row : browser.selectedRows()) {
        if (browser.model()->isUpRow(row))
            continue;
        rows.push_back(row);
        nodes.push_back(browser.model()->nodeAt(row));
    }
    if (nodes.empty() || !confirmDeletion(nodes))
        return;
    const std::size_t before = context_.package.tree().count();
    try {
        context_.package.DeleteEntries(nodes);
    } catch (...) {
        // When the edit got as far as the tree, the rows would point at removed nodes.
        if (context_.package.tree().count() != before)
            browser.showFolder(browser.currentFolder());
        throw;
    }
    browser.removeRows(rows);
    context_.refreshStatus();
}

void EditCommands::renameSelection() {
    FolderBrowser& browser = context_.browser;
    const std::vector<int> rows = browser.selectedRows();
    if (rows.size() != 1 || browser.model()->isUpRow(rows.front()))
        return;
    const TreeNode* node = browser.model()->nodeAt(rows.front());
    const QString caption = FolderListModel::NameText(node->text());
    // A name refused opens the box again with what was typed and why.
    QString typed = caption, refusal;
    for (;;) {
        QInputDialog dialog(context_.window);
        dialog.setObjectName("RenameDialog");
        dialog.setWindowTitle("Rename file");
        dialog.setLabelText(refusal.isEmpty() ? caption : caption + "\n\n" + refusal);
        dialog.setTextValue(typed);
        if (dialog.exec() != QDialog::Accepted)
            return;
        typed = dialog.textValue();
        try {
            context_.package.RenameEntry(node, typed.toStdString());
            break;
        } catch (const PackageChangedError&) {
            throw;
        } catch (const PackageError& refused) {
            refusal = ErrorBoxText(QString::fromStdString(refused.what()));
        }
    }
    browser.entryChanged(node);
}

void EditCommands::drop(const QStringList& paths) {
    if (context_.runner.busy())
        return;
    // A package dropped on the window is most likely meant to be opened.
    if (paths.size() == 1 && paths.front().endsWith(".vp", Qt::CaseInsensitive)) {
        const DroppedPackage choice =
            context_.package.isOpen() ? askAboutDroppedPackage(paths.front()) : DroppedPackage::Open;
        if (choice == DroppedPackage::Cancel)
            return;
        if (choice == DroppedPackage::Open) {
            context_.runner.run([&] { openPackage_(paths.front().toStdString()); });
            return;
        }
    }
    addChosen(paths);
}

void EditCommands::addChosen(const QStringList& paths) {
    if (!context_.package.isOpen() || paths.isEmpty())
        return;
    if (!context_.package.readOnlyReason().empty()) {
        ShowErrorBox(context_.window, QString("Nothing can be added to %1: %2.")
                                          .arg(FileNameOf(context_.package.path()),
                                               QString::fromStdString(context_.package.readOnlyReason())));
        return;
    }
    // An archive dropped is asked about: its contents, or the file itself.
    RunChoices choices;
    for (const QString& path : paths) {
        if (path.endsWith(".zip", Qt::CaseInsensitive) || path.endsWith(".7z", Qt::CaseInsensitive)) {
            const Choice choice =
                Ask(context_.window, {"DroppedArchiveBox",
                                      "Tessel",
                                      QString("\"%1\" is an archive.").arg(FileNameOf(path)),
                                      "Add the files it holds, or the archive itself as one file?",
                                      {"Add its contents", "Add the file", "Cancel"},
                                      QString()});
            if (choice.button == 2)
                return;
            choices.unpackArchives = choice.button == 0;
            break;
        }
    }
    const auto guard = context_.runner.hold();
    Form3* progress = context_.runner.progressWindow();
    progress->showForRun();
    std::vector<std::string> diskPaths;
    for (const QString& path : paths)
        diskPaths.push_back(path.toStdString());
    const auto last = static_cast<std::int32_t>(paths.size() - 1);
    try {
        // Each entry added gives the progress window its turn, where Cancel may stop the
        // run: what was added before stays.
        addPaths(
            diskPaths, context_.browser.currentFolder(),
            [&](const ProgressEvent& event) {
                progress->Progress(std::string(kAddingCaption), diskPaths[std::size_t(event.index)], last,
                                   event.index);
            },
            choices);
        progress->Progress(std::string(kAddingCaption), std::string(), 0, 0);
    } catch (const RunCancelled&) {
        // What was added before the Cancel stays.
        progress->hide();
    } catch (const std::exception& error) {
        // What was added before the failure stays; the failure is said.
        progress->hide();
        ShowErrorBox(context_.window, QString::fromStdString(error.what()));
    }
}

EditCommands::DroppedPackage EditCommands::askAboutDroppedPackage(const QString& path) {
    QMessageBox box(QMessageBox::Question, "Tessel",
                    QString("\"%1\" is a VP package. Open it, or add it to this package as a file?")
                        .arg(FileNameOf(path)),
                    QMessageBox::NoButton, context_.window);
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
