// Edit-back: the copies that Open file and View file hand to other programs, and what
// becomes of their changes. A saved copy is offered back to the package; on leaving,
// copies whose changes are not in it are named and the user chooses.
#pragma once

#include "folder_tree.h"
#include "temp_folder.h"
#include "window_context.h"

#include <QObject>
#include <QString>

namespace tessel::ui {

class EditedCopies;

class EditBack : public QObject {
    Q_OBJECT
public:
    explicit EditBack(const WindowContext& context);

    // A folder of its own for the next copy.
    OpenFolder newFolder();
    // Starts watching a copy just written of the entry.
    void watch(const QString& copyPath, const TreeNode* entry);
    // True when the window may close: no unwritten copies, or the user chose.
    bool mayLeave();

private:
    // A copy was saved: asks whether the package should have it.
    void copyChanged(int id);
    // Gives the copy's entry the copy's bytes; says why not when it cannot and keeps the
    // copy. True when the package has them.
    bool updateFromCopy(int id);

    WindowContext context_;
    EditedCopies* copies_;
};

} // namespace tessel::ui
