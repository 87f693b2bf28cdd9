#include "directory_buffer.h"

namespace tessel {

namespace {

void Append(DirectoryBuffer& buffer, const DirEntry& record) {
    const std::size_t at = buffer.bytes.size();
    buffer.bytes.resize(at + kDirEntrySize);
    EncodeDirEntry(record, buffer.bytes.data() + at);
}

} // namespace

EntryRecord NewEntryRecord(std::int32_t offset, std::int32_t size, std::int32_t timestamp,
                           const std::string& name) {
    return MakeDirEntry(offset, size, timestamp, name);
}

std::int64_t DirectoryRecordCount(const FolderTree& tree) {
    std::int64_t count = 0;
    const TreeNode* root = tree.root();
    for (const TreeNode* node = root ? root->next() : nullptr; node; node = node->next())
        count += node->isFolder() ? 2 : 1; // a folder's record and its end
    return count;
}

std::int32_t WriteDirectory(const FolderTree& tree, DirectoryBuffer& buffer) {
    return WriteDirectory(tree, buffer, {});
}

std::int32_t WriteDirectory(const FolderTree& tree, DirectoryBuffer& buffer, const DirectoryView& view) {
    std::int32_t count = 0;
    int openFolders = 0;
    const TreeNode* root = tree.root();
    for (const TreeNode* node = root ? root->next() : nullptr; node;) {
        if (view.leaveOut && view.leaveOut(node)) {
            node = node->nextAfterSubtree();
            continue;
        }
        while (openFolders > node->level() - 1) {
            Append(buffer, MakeDirEntry(kInnerFolderEndOffset, 0, 0, kFolderEndName));
            --openFolders;
            ++count;
        }
        if (const EntryRecord* record = node->record()) {
            Append(buffer, view.recordOf ? view.recordOf(node) : *record);
        } else {
            Append(buffer, MakeDirEntry(kFolderRecordOffset, 0, 0, node->text()));
            ++openFolders;
        }
        ++count;
        node = node->next();
    }
    for (; openFolders > 0; --openFolders, ++count)
        Append(buffer, MakeDirEntry(kFolderRecordOffset, 0, 0, kFolderEndName));
    return count;
}

} // namespace tessel
