#include "folder_path.h"

#include "name_text.h"

namespace tessel {

void FolderPath::open(std::string_view storedName) {
    lengths_.push_back(text_.size());
    text_ += NameToUtf8(storedName);
    text_ += '/';
}

void FolderPath::close() {
    if (lengths_.empty())
        return;
    text_.resize(lengths_.back());
    lengths_.pop_back();
}

void FolderPath::keep(std::size_t depth) {
    if (depth >= lengths_.size())
        return;
    text_.resize(lengths_[depth]);
    lengths_.resize(depth);
}

std::string_view FolderPath::segment(std::size_t index) const {
    const std::size_t begin = lengths_.at(index);
    const std::size_t end = index + 1 < lengths_.size() ? lengths_[index + 1] : text_.size();
    return std::string_view(text_).substr(begin, end - begin - 1);
}

std::string FolderPath::entry(std::string_view storedName, bool folder) const {
    std::string path = text_ + NameToUtf8(storedName);
    if (folder)
        path += '/';
    return path;
}

} // namespace tessel
