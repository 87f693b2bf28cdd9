// The drag of selected rows out of the window: a folder of its own for each drag in the
// private temporary folder, the paths the drag names in it, and its cleaning after the
// drag.
#pragma once

#include "folder_tree.h"
#include "temp_folder.h"

#include <QObject>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tessel::ui {

class DropFileSource;

class DragOut : public QObject {
    Q_OBJECT
public:
    explicit DragOut(QObject* parent);
    ~DragOut() override;

    DropFileSource* source() const { return source_; }

    // Makes the drag's folder and names the nodes' paths in it as the drag's files.
    void prepare(const std::vector<const TreeNode*>& nodes);
    // Runs the drag of the nodes from the widget until it is over.
    void run(const std::vector<const TreeNode*>& nodes, QWidget* from);
    // The folder of the drag under way, into which the drop writes the entries.
    const OpenFolder& folder() const { return *folder_; }
    // After a move the file manager may still be taking the items: what it leaves goes a
    // little later, or at exit. After anything else it goes at once.
    void afterDrop(Qt::DropAction result);

private:
    void deleteLater(const std::string& path);

    DropFileSource* source_;
    std::optional<OpenFolder> folder_;
    // Folders of earlier drags that a file manager may still be reading.
    std::vector<std::string> lingering_;
};

} // namespace tessel::ui
