// Paths numbered by their folded keys, in the order each key first comes. A merged tree puts
// half a million files of a few sources in their places: open addressing over a table made
// large enough at once takes them without a node, an allocation or a rehash each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tessel {

class PathPlaces {
public:
    // Room for as many keys as given; the paths must outlive the table.
    explicit PathPlaces(std::size_t most);

    // The number of the path's key, and whether the key is new.
    std::pair<std::uint32_t, bool> place(std::string_view path);
    std::size_t size() const { return first_.size(); }
    // The numbers in the order of their keys, as FoldedLess orders paths: the keys are
    // folded once each, so that the sort compares plain bytes.
    std::vector<std::uint32_t> sorted() const;

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t place = 0; // the number plus one; 0 when the slot is free
    };
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::vector<std::string_view> first_;
};

} // namespace tessel
