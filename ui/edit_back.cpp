#include "edit_back.h"

#include "choice_box.h"
#include "edited_copies.h"
#include "error_box.h"
#include "status_texts.h"
#include <QWidget>

#include <QStringList>
#include <exception>

namespace tessel::ui {

EditBack::EditBack(const WindowContext& context)
    : QObject(context.window), context_(context), copies_(new EditedCopies(this)) {
    copies_->setObjectName("EditedCopies");
    connect(copies_, &EditedCopies::changed, this, [this](int id) {
        // A run under way is not interrupted by the question: it comes after it.
        if (context_.runner.busy())
            return copies_->askAgain(id);
        context_.runner.run([&] { copyChanged(id); });
    });
}

OpenFolder EditBack::newFolder() {
    return copies_->newFolder();
}

void EditBack::watch(const QString& copyPath, const TreeNode* entry) {
    copies_->watch(copyPath, context_.package.path(), context_.package.tree(), entry);
}

void EditBack::copyChanged(int id) {
    const QString name = FileNameOf(copies_->copyPath(id));
    const QString package = FileNameOf(copies_->packageOf(id));
    const Choice choice =
        Ask(context_.window, {"CopyChangedBox",
                              "Tessel",
                              QString("%1 was changed. Update it in %2?").arg(name, package),
                              QString("The copy is \"%1\".").arg(copies_->copyPath(id)),
                              {"Update", "Ignore"},
                              QString()});
    if (choice.button == 0)
        updateFromCopy(id);
}

bool EditBack::updateFromCopy(int id) {
    const QString copy = copies_->copyPath(id);
    const QString package = FileNameOf(copies_->packageOf(id));
    QString problem;
    const TreeNode* entry = copies_->entryOf(id, context_.package.path(), context_.package.tree());
    if (context_.package.path() != copies_->packageOf(id))
        problem = QString("%1 is not the package open now.").arg(package);
    else if (!copies_->sameTree(id, context_.package.tree()))
        problem =
            QString("%1 was read anew since the copy was made, so Tessel cannot be sure which entry the "
                    "copy belongs to.")
                .arg(package);
    else if (!entry)
        problem = QString("The entry is no longer in %1: it was deleted.").arg(package);
    if (problem.isEmpty()) {
        try {
            context_.package.ReplaceEntry(entry, copy.toStdString());
            copies_->written(id);
            context_.browser.entryChanged(entry);
            context_.refreshStatus();
            return true;
        } catch (const std::exception& error) {
            problem = ErrorBoxText(QString::fromStdString(error.what()));
        }
    }
    ShowErrorBox(context_.window, problem + QString("\n\nThe changed copy was kept: \"%1\"").arg(copy));
    return false;
}

bool EditBack::mayLeave() {
    const std::vector<int> ids = copies_->unwritten();
    if (ids.empty())
        return true;
    QStringList names;
    for (const int id : ids)
        names << FileNameOf(copies_->copyPath(id));
    const Choice choice = Ask(
        context_.window, {"UnwrittenCopiesBox",
                          "Tessel",
                          QString("These copies were changed, and the changes are not in the package:\n\n%1")
                              .arg(names.join("\n")),
                          "Update the package with them before leaving? Discarded changes are lost.",
                          {"Update", "Discard", "Cancel"},
                          QString()});
    if (choice.button == 1)
        return true;
    if (choice.button != 0)
        return false;
    bool all = true;
    for (const int id : ids)
        all = updateFromCopy(id) && all;
    return all;
}

} // namespace tessel::ui
