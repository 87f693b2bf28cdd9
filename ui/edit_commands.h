// The window's commands that change the package: delete, rename, and files dropped in or
// added.
#pragma once

#include "progress.h"
#include "window_context.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

namespace tessel::ui {

class EditCommands : public QObject {
    Q_OBJECT
public:
    // openPackage opens a package dropped on the window to be opened.
    EditCommands(const WindowContext& context, std::function<void(const std::string&)> openPackage);

    // Deletes the selected entries, after asking unless the user said not to.
    void deleteSelection();
    // Renames the one selected entry through an input box.
    void renameSelection();
    // Files dropped on the list: a single package is opened (or added, if the user says so),
    // anything else added to the folder shown.
    void drop(const QStringList& paths);
    // Adds files and folders chosen on disk to the folder shown, as a drop adds them, with
    // the progress window; a read-only package refuses them before anything is asked.
    void addChosen(const QStringList& paths);
    // Adds the paths in one run to the target folder, rows appearing for new entries of the
    // folder shown; more hears of each entry added.
    void addPaths(const std::vector<std::string>& diskPaths, const TreeNode* target,
                  const ProgressCallback& more = {}, const RunChoices& choices = {});

private:
    enum class DroppedPackage { Open, Add, Cancel };
    bool confirmDeletion(const std::vector<const TreeNode*>& nodes);
    // Names the paths that adding passed over, with why.
    void reportSkipped(const QStringList& lines);
    // Asks what a single package dropped on the window is for while one is open.
    DroppedPackage askAboutDroppedPackage(const QString& path);

    WindowContext context_;
    std::function<void(const std::string&)> openPackage_;
};

} // namespace tessel::ui
