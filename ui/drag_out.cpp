#include "drag_out.h"

#include "drop_file_source.h"

#include <QTimer>
#include <algorithm>

namespace tessel::ui {

namespace {

constexpr int kTempCleanupDelayMs = 15000;

} // namespace

DragOut::DragOut(QObject* parent) : QObject(parent), source_(new DropFileSource) {
    setObjectName("DragOut");
    source_->setParent(this);
    source_->setObjectName("DropFileSource1");
}

DragOut::~DragOut() {
    for (const std::string& path : lingering_)
        DeleteFolder(path);
    if (folder_)
        DeleteFolder(folder_->path);
}

void DragOut::prepare(const std::vector<const TreeNode*>& nodes) {
    if (folder_)
        DeleteFolder(folder_->path);
    folder_.reset();
    folder_ = MakeScratchFolder("drag-");
    source_->Files.clear();
    for (const std::string& path : ListTempPaths(*folder_, nodes))
        source_->Files << QString::fromStdString(path);
}

void DragOut::run(const std::vector<const TreeNode*>& nodes, QWidget* from) {
    prepare(nodes);
    source_->execute(from);
}

void DragOut::afterDrop(Qt::DropAction result) {
    if (!folder_)
        return;
    const std::string path = folder_->path;
    folder_.reset();
    if (result != Qt::MoveAction) {
        DeleteFolder(path);
        return;
    }
    lingering_.push_back(path);
    QTimer::singleShot(kTempCleanupDelayMs, this, [this, path] {
        DeleteFolder(path);
        lingering_.erase(std::remove(lingering_.begin(), lingering_.end(), path), lingering_.end());
    });
}

} // namespace tessel::ui
