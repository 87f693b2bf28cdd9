#include "path_places.h"

#include "entry_name.h"

#include <algorithm>
#include <bit>
#include <string>

namespace tessel {

PathPlaces::PathPlaces(std::size_t most) {
    // At most half full, so that a search ends after a probe or two.
    const std::size_t room = std::bit_ceil(std::max<std::size_t>(2 * most, 16));
    slots_.resize(room);
    mask_ = room - 1;
    first_.reserve(most);
}

std::pair<std::uint32_t, bool> PathPlaces::place(std::string_view path) {
    const std::size_t hash = FoldedHash{}(path);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
        Slot& slot = slots_[at];
        if (slot.place == 0) {
            first_.push_back(path);
            slot = {tag, static_cast<std::uint32_t>(first_.size())};
            return {slot.place - 1, true};
        }
        if (slot.tag == tag && FoldedEqual{}(first_[slot.place - 1], path))
            return {slot.place - 1, false};
    }
}

std::vector<std::uint32_t> PathPlaces::sorted() const {
    std::size_t bytes = 0;
    for (std::string_view path : first_)
        bytes += path.size();
    std::string folded;
    folded.reserve(bytes);
    std::vector<std::string_view> keys;
    keys.reserve(first_.size());
    for (std::string_view path : first_) {
        const std::size_t at = folded.size();
        for (const char c : path)
            folded += FoldCase(c);
        keys.emplace_back(folded.data() + at, path.size());
    }
    std::vector<std::uint32_t> order(first_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Plain bytes compare as unsigned, then shorter first: FoldedLess's order.
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    return order;
}

} // namespace tessel
