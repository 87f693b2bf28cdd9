// The path of an entry while a directory is walked in its order: the folders open around
// it, outermost first, each name as shown (UTF-8), joined by "/". The one way entry paths
// are made, whether from the records of a file or from the nodes of a tree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class FolderPath {
public:
    // A folder of that stored name opens inside the innermost one.
    void open(std::string_view storedName);
    // The innermost folder ends; nothing happens outside every folder.
    void close();
    // Keeps the outermost folders, as many as given.
    void keep(std::size_t depth);

    std::size_t depth() const { return lengths_.size(); }
    // "data/tables/", or "" at the top level.
    const std::string& text() const { return text_; }
    // The shown name of the folder at the depth (0 is the outermost).
    std::string_view segment(std::size_t index) const;
    // The path of an entry of the innermost folder: "data/tables/ships.tbl", or with a
    // trailing "/" for a folder.
    std::string entry(std::string_view storedName, bool folder) const;

private:
    std::string text_;
    // Where each open folder's name starts in the text.
    std::vector<std::size_t> lengths_;
};

} // namespace tessel
