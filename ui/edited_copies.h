// The copies of entries that Open file and View file hand to other programs. Each lives in
// a folder of its own, apart from drag-outs, and is watched: when a program saves one, the
// window hears of it once per save and may write the bytes back into the package. The
// copies go when the window does.
#pragma once

#include "folder_tree.h"
#include "package_file.h"
#include "temp_folder.h"

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace tessel::ui {

class EditedCopies : public QObject {
    Q_OBJECT
public:
    // Where a copy came from: the package, and the entry itself, known by the tree it
    // was read into and its serial there, whatever is renamed or deleted around it.
    struct Origin {
        std::string package;
        std::uint64_t tree = 0;
        std::uint32_t serial = 0;
    };

    explicit EditedCopies(QObject* parent);
    ~EditedCopies() override;

    // A folder of its own for the next copy.
    OpenFolder newFolder();
    // Starts watching a copy just written of the entry of the package; returns its id.
    int watch(const QString& copyPath, const std::string& package, const FolderTree& tree,
              const TreeNode* entry);

    const QString& copyPath(int id) const { return copies_.at(std::size_t(id)).path; }
    // The entry the copy was made of, found again in the tree by its names; null when it
    // was deleted or renamed, or the tree is of another package.
    const TreeNode* entryOf(int id, const std::string& package, const FolderTree& tree) const;
    // Whether the tree is the one the copy's entry was read into.
    bool sameTree(int id, const FolderTree& tree) const {
        return copies_.at(std::size_t(id)).origin.tree == tree.identity();
    }
    const std::string& packageOf(int id) const { return copies_.at(std::size_t(id)).origin.package; }
    // Copies that were changed and whose changes are not in the package.
    std::vector<int> unwritten() const;
    // The copy's bytes are in the package now.
    void written(int id);
    // Reports the copy's change again a little later.
    void askAgain(int id);

    // Looks at every copy now instead of waiting for the watcher.
    void checkNow();

signals:
    // A copy was saved since it was made or last reported.
    void changed(int id);

private:
    struct Copy {
        QString path;
        Origin origin;
        // What the copy was like when last looked at.
        FileStamp seen;
        bool unwritten = false;
    };
    void soon();

    std::vector<Copy> copies_;
    std::vector<std::string> folders_;
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    bool reporting_ = false;
    bool lookAgain_ = false;
};

} // namespace tessel::ui
