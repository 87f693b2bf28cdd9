// The drag of selected rows out of the window: the paths the drag names in the private
// temporary folder, and that folder's cleaning before the entries are written into it and
// after the drag.
#pragma once

#include "folder_tree.h"

#include <QObject>
#include <vector>

class QTimer;
class QWidget;

namespace tessel::ui {

class DropFileSource;

class DragOut : public QObject {
public:
    explicit DragOut(QObject* parent);
    ~DragOut() override;

    DropFileSource* source() const { return source_; }

    // Runs the drag of the nodes from the widget until it is over.
    void run(const std::vector<TreeNode*>& nodes, QWidget* from);
    // At the release over a target that took the move, before the entries are written:
    // an empty temporary folder.
    void clearForDrop();
    // After a move the file manager may still be taking the items: what it leaves goes a
    // little later, or at exit. After anything else it goes at once.
    void afterDrop(Qt::DropAction result);

private:
    DropFileSource* source_;
    QTimer* cleanup_;
};

} // namespace tessel::ui
