#include "positioned_io.h"

#include <cerrno>
#include <unistd.h>

namespace tessel {

IoResult ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    IoResult result;
    while (result.done < count) {
        const ssize_t got =
            ::pread(fd, bytes + result.done, count - result.done, offset + std::int64_t(result.done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            result.error = errno;
        if (got <= 0)
            break;
        result.done += static_cast<std::size_t>(got);
    }
    return result;
}

IoResult WriteAt(int fd, const void* buffer, std::size_t count, std::int64_t offset) {
    const auto* bytes = static_cast<const char*>(buffer);
    IoResult result;
    while (result.done < count) {
        const ssize_t put =
            ::pwrite(fd, bytes + result.done, count - result.done, offset + std::int64_t(result.done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            result.error = errno;
            break;
        }
        result.done += static_cast<std::size_t>(put);
    }
    return result;
}

} // namespace tessel
