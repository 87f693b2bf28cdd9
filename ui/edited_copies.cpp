#include "edited_copies.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace tessel::ui {

namespace {

// Programs save in steps (write, sync, rename): the copy is looked at once they are done.
constexpr int kSettleMs = 300;

// The copy as a program last left it; not valid when it is gone or no regular file.
FileStamp CopyStamp(const QString& path) {
    const FileStamp stamp = StampOf(QFile::encodeName(path).toStdString());
    return stamp.valid() && QFileInfo(path).isFile() ? stamp : FileStamp{};
}

} // namespace

EditedCopies::EditedCopies(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &EditedCopies::checkNow);
    // A program that saves by writing a new file and renaming it over the copy ends the
    // watch of the file; the watch of its folder sees the rename.
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { soon(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { soon(); });
}

EditedCopies::~EditedCopies() {
    for (const std::string& folder : folders_)
        DeleteFolder(folder);
}

OpenFolder EditedCopies::newFolder() {
    OpenFolder folder = MakeScratchFolder("open-");
    folders_.push_back(folder.path);
    return folder;
}

int EditedCopies::watch(const QString& copyPath, const std::string& package, const FolderTree& tree,
                        const TreeNode* entry) {
    Copy copy;
    copy.path = copyPath;
    copy.origin = {package, tree.identity(), entry->serial()};
    copy.seen = CopyStamp(copyPath);
    copies_.push_back(copy);
    watcher_->addPath(copyPath);
    watcher_->addPath(QFileInfo(copyPath).path());
    return static_cast<int>(copies_.size() - 1);
}

const TreeNode* EditedCopies::entryOf(int id, const std::string& package, const FolderTree& tree) const {
    const Origin& origin = copies_.at(std::size_t(id)).origin;
    if (package != origin.package || tree.empty() || tree.identity() != origin.tree)
        return nullptr;
    const TreeNode* entry = tree.find(origin.serial);
    return entry && entry->isFile() ? entry : nullptr;
}

std::vector<int> EditedCopies::unwritten() const {
    std::vector<int> ids;
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        if (copies_[i].unwritten)
            ids.push_back(static_cast<int>(i));
    }
    return ids;
}

void EditedCopies::written(int id) {
    copies_.at(std::size_t(id)).unwritten = false;
}

void EditedCopies::askAgain(int id) {
    copies_.at(std::size_t(id)).seen = {};
    soon();
}

void EditedCopies::soon() {
    settle_->start();
}

void EditedCopies::checkNow() {
    // The question about one save is open: a save meanwhile is looked at after it.
    if (reporting_) {
        lookAgain_ = true;
        return;
    }
    reporting_ = true;
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        Copy& copy = copies_[i];
        const FileStamp now = CopyStamp(copy.path);
        if (!now.valid() || now == copy.seen)
            continue;
        copy.seen = now;
        copy.unwritten = true;
        if (!watcher_->files().contains(copy.path))
            watcher_->addPath(copy.path);
        emit changed(static_cast<int>(i));
    }
    reporting_ = false;
    if (lookAgain_) {
        lookAgain_ = false;
        soon();
    }
}

} // namespace tessel::ui
