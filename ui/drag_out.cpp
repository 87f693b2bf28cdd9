#include "drag_out.h"

#include "drop_file_source.h"
#include "temp_folder.h"

#include <QTimer>

namespace tessel::ui {

namespace {

constexpr int kTempCleanupDelayMs = 15000;

} // namespace

DragOut::DragOut(QObject* parent) : QObject(parent), source_(new DropFileSource), cleanup_(new QTimer(this)) {
    source_->setParent(this);
    source_->setObjectName("DropFileSource1");
    cleanup_->setSingleShot(true);
    cleanup_->setInterval(kTempCleanupDelayMs);
    connect(cleanup_, &QTimer::timeout, this, [] { DeleteFolder(TempFolderPath()); });
}

DragOut::~DragOut() {
    if (cleanup_->isActive())
        DeleteFolder(TempFolderPath());
}

void DragOut::run(const std::vector<TreeNode*>& nodes, QWidget* from) {
    source_->Files.clear();
    for (const std::string& path : ListTempPaths(nodes))
        source_->Files << QString::fromStdString(path);
    source_->execute(from);
}

void DragOut::clearForDrop() {
    cleanup_->stop();
    DeleteFolder(TempFolderPath());
}

void DragOut::afterDrop(Qt::DropAction result) {
    if (result == Qt::MoveAction)
        cleanup_->start();
    else
        DeleteFolder(TempFolderPath());
}

} // namespace tessel::ui
