#include "mount_index.h"

#include "adding.h"
#include "entry_name.h"
#include "entry_path.h"
#include "name_text.h"
#include "package.h"
#include "package_layout.h"

#include <utility>

namespace tessel {

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

MountIndex::MountIndex(const Package& package, std::vector<std::string>* leftOut) {
    const TreeNode* root = package.tree().root();
    items_.reserve(package.tree().count());
    items_.push_back({});
    items_[0].folder = true;
    // Folders have no time of their own: they show the package's.
    const std::int64_t folderTime = package.stamp().modifiedSeconds;
    items_[0].modified = folderTime;
    items_[0].serial = root->serial();
    byPath_.reserve(package.tree().count());
    byPath_.emplace("/", 0);
    const std::int64_t end = package.stamp().size;
    // Folders are entered depth-first; each keeps its item number and path on the way down.
    std::vector<std::pair<std::uint32_t, std::string>> open{{0, "/"}};
    for (const TreeNode* node = root->firstChild() ? root->next() : nullptr; node; node = node->next()) {
        open.resize(static_cast<std::size_t>(node->level()));
        if (open.back().first == UINT32_MAX) {
            // Inside a folder that is not shown: so is everything below it.
            if (node->isFolder())
                open.push_back({UINT32_MAX, {}});
            continue;
        }
        const std::string name = NameToUtf8(node->text());
        const std::string path = Joined(open.back().second, name);
        if (!IsSafeEntryName(node->text())) {
            if (leftOut)
                leftOut->push_back("\"" + EntryPath(node) + "\" is left out: its name cannot be a file name");
            if (node->isFolder())
                open.push_back({UINT32_MAX, {}});
            continue;
        }
        MountItem item;
        item.name = name;
        item.parent = open.back().first;
        item.folder = node->isFolder();
        item.serial = node->serial();
        item.modified = folderTime;
        if (const EntryRecord* record = node->record()) {
            item.offset = record->Offset;
            item.size = record->Size;
            item.modified = UtcSecondsOf(record->Timestamp);
            item.readable = !DataOutside(*record, end);
        }
        const auto number = static_cast<std::uint32_t>(items_.size());
        auto [at, fresh] = byPath_.try_emplace(path, number);
        if (!fresh) {
            MountItem& earlier = items_[at->second];
            if (earlier.folder && item.folder) {
                // Two folders of one path show as one, holding what both hold.
                open.push_back({at->second, path});
                continue;
            }
            // The later entry of a path is the one shown, as a reader that goes through the
            // directory in order would find it.
            if (leftOut)
                leftOut->push_back("\"" + EntryPath(node) +
                                   "\" is shown, an earlier entry of that path is not");
            earlier = std::move(item);
            if (node->isFolder())
                open.push_back({at->second, path});
            continue;
        }
        items_[open.back().first].children.push_back(number);
        items_.push_back(std::move(item));
        if (node->isFolder())
            open.push_back({number, path});
    }
}

std::string MountIndex::pathOf(std::uint32_t number) const {
    std::string path;
    for (; number != 0; number = items_[number].parent)
        path.insert(0, "/" + items_[number].name);
    return path.empty() ? "/" : path;
}

std::pair<std::size_t, const MountItem*> MountIndex::childrenNamedLike(const MountItem& folder,
                                                                       std::string_view name) const {
    const auto [keyed, fresh] = folded_.try_emplace(numberOf(folder));
    if (fresh) {
        for (const std::uint32_t child : folder.children)
            ++keyed->second.try_emplace(EntryNameKey(items_[child].name), 0, child).first->second.first;
    }
    const auto found = keyed->second.find(EntryNameKey(name));
    if (found == keyed->second.end())
        return {0, nullptr};
    return {found->second.first, &items_[found->second.second]};
}

const MountItem* MountIndex::find(std::string_view path) const {
    const auto found = byPath_.find(std::string(path));
    return found == byPath_.end() ? nullptr : &items_[found->second];
}

} // namespace tessel
