// Whether the disk beside the package can take what a writable mount is about to write,
// asked of the file system only as often as the answer could change: a copy of many small
// files writes thousands of times a second, and each question is a system call.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace tessel {

class DiskRoom {
public:
    // `folder` is on the disk the edits write to.
    explicit DiskRoom(std::string folder) : folder_(std::move(folder)) {}

    // Whether `growth` more bytes fit beside the `owed` bytes that edits will still write.
    // Asks the file system again once half the room last seen may be used, or a second has
    // passed, so that every refusal rests on a fresh answer; a file system that cannot say
    // is taken to have room.
    bool takes(std::int64_t growth, std::int64_t owed);

private:
    std::string folder_;
    std::int64_t room_ = 0;  // free bytes beyond what was owed, when last asked
    std::int64_t owed_ = 0;  // what was owed then
    std::int64_t grown_ = 0; // bytes taken since
    std::chrono::steady_clock::time_point asked_{};
    bool known_ = false;
};

} // namespace tessel
