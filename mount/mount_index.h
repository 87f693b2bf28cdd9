// What a mounted package shows: its folders and files by path, as names a file system can
// hold. It is a copy, not a view of the tree, so that listings can go on while an edit
// changes the tree; it is made again after each edit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessel {

class Package;

struct MountItem {
    std::string name; // as shown; "" for the top folder
    bool folder = false;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // seconds since 1970, UTC
    // The data lies whole inside the file; reads of other entries fail.
    bool readable = true;
    // The node in the package's tree, for the edits that name it.
    std::uint32_t serial = 0;
    // The folder that shows it, by item number (the top folder's is its own).
    std::uint32_t parent = 0;
    std::vector<std::uint32_t> children; // of a folder, by item number
};

class MountIndex {
public:
    MountIndex() = default;
    // The package as shown. Entries that cannot be shown are left out, each with a line
    // for the user in `leftOut`.
    MountIndex(const Package& package, std::vector<std::string>* leftOut);

    // The item at the path ("/", "/data/a.txt"); null when there is none.
    const MountItem* find(std::string_view path) const;
    const MountItem& item(std::uint32_t number) const { return items_[number]; }
    std::uint32_t numberOf(const MountItem& item) const { return std::uint32_t(&item - items_.data()); }
    // The path of the item ("/" for the top folder).
    std::string pathOf(std::uint32_t number) const;
    std::size_t size() const { return items_.size(); }
    // The items in the folder whose names are the same as `name` but for case: how many, and
    // one of them. Not for threads at once: a folder's names are keyed the first time it is
    // asked.
    std::pair<std::size_t, const MountItem*> childrenNamedLike(const MountItem& folder,
                                                               std::string_view name) const;

private:
    std::vector<MountItem> items_;
    std::unordered_map<std::string, std::uint32_t> byPath_;
    // Folded names of a folder's items, by folder.
    mutable std::unordered_map<std::uint32_t,
                               std::unordered_map<std::string, std::pair<std::size_t, std::uint32_t>>>
        folded_;
};

} // namespace tessel
