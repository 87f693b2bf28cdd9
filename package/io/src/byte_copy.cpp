#include "byte_copy.h"

#include "positioned_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/sendfile.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tessel {

namespace {

// Falls back to a plain buffer for the rest of the copy.
void BufferedCopy(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                  CopyResult& result, WriteBehind* behind) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count - result.copied, kCopyBufferSize)));
    while (result.copied < count) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, kCopyBufferSize));
        const IoResult got = ReadAt(fromFd, buffer.data(), want, fromOffset + result.copied);
        const IoResult put = WriteAt(toFd, buffer.data(), got.done, toOffset + result.copied);
        if (behind)
            behind->wrote(toFd, toOffset + result.copied, static_cast<std::int64_t>(put.done));
        result.copied += static_cast<std::int64_t>(put.done);
        if (put.error != 0) {
            result.writeError = put.error;
            return;
        }
        if (got.error != 0) {
            result.readFailed = true;
            return;
        }
        if (got.done < want) {
            result.sourceEnded = true;
            return;
        }
    }
}

constexpr std::int64_t kPageSize = 4096;

// A ring of buffers between a reading thread and the writing caller, so that the two copies
// through memory run side by side on two cores.
class PipelinedCopy {
public:
    PipelinedCopy(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                  WriteBehind* behind)
        : fromFd_(fromFd), fromOffset_(fromOffset), toFd_(toFd), toOffset_(toOffset), count_(count),
          behind_(behind) {}

    CopyResult run() {
        std::thread reader([this] { read(); });
        write();
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        reader.join();
        return result_;
    }

private:
    struct Slot {
        std::vector<char> bytes = std::vector<char>(kSlotSize);
        std::size_t length = 0;
        bool last = false; // no slot follows: the source ended, failed, or the count is done
    };

    void read() {
        std::int64_t done = 0;
        for (std::size_t next = 0;; next = (next + 1) % kSlots) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return filled_ < kSlots || stop_; });
                if (stop_)
                    return;
            }
            Slot& slot = slots_[next];
            // Pieces end on buffer-sized boundaries of the target, so that every write fills
            // whole pages of it and is no larger than the kernel's own copy writes: bigger
            // writes get bigger page-cache folios, whose allocation proved slow and erratic.
            const std::int64_t piece = kSlotSize - (toOffset_ + done) % kSlotSize;
            const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count_ - done, piece));
            const IoResult read = ReadAt(fromFd_, slot.bytes.data(), want, fromOffset_ + done);
            const std::size_t got = read.done;
            const bool failed = read.error != 0;
            done += static_cast<std::int64_t>(got);
            slot.length = got;
            slot.last = got < want || done >= count_;
            {
                const std::lock_guard lock(mutex_);
                ++filled_;
                if (got < want)
                    (failed ? readFailed_ : sourceEnded_) = true;
            }
            changed_.notify_all();
            if (slot.last)
                return;
        }
    }

    void write() {
        for (std::size_t next = 0;; next = (next + 1) % kSlots) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return filled_ > 0; });
            }
            const Slot& slot = slots_[next];
            const IoResult put = WriteAt(toFd_, slot.bytes.data(), slot.length, toOffset_ + result_.copied);
            if (put.error != 0) {
                result_.writeError = put.error;
                result_.copied += static_cast<std::int64_t>(put.done);
                return;
            }
            if (behind_)
                behind_->wrote(toFd_, toOffset_ + result_.copied, static_cast<std::int64_t>(slot.length));
            result_.copied += static_cast<std::int64_t>(slot.length);
            const bool last = slot.last;
            {
                const std::lock_guard lock(mutex_);
                --filled_;
                if (last) {
                    result_.readFailed = readFailed_;
                    result_.sourceEnded = sourceEnded_;
                }
            }
            changed_.notify_all();
            if (last)
                return;
        }
    }

    static constexpr std::size_t kSlots = 4;
    static constexpr std::int64_t kSlotSize = kCopyBufferSize;

    int fromFd_;
    std::int64_t fromOffset_;
    int toFd_;
    std::int64_t toOffset_;
    std::int64_t count_;
    WriteBehind* behind_;
    std::array<Slot, kSlots> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t filled_ = 0;
    bool stop_ = false;
    bool readFailed_ = false;
    bool sourceEnded_ = false;
    CopyResult result_;
};

constexpr std::int64_t kPipelineThreshold = 8 * 1024 * 1024;

} // namespace

void WriteBehind::wrote(int fd, std::int64_t offset, std::int64_t length) {
    // A write elsewhere: what the last run left unstarted is synced all the same.
    if (offset != to_)
        from_ = offset;
    to_ = offset + length;
    if (to_ - from_ >= kPiece) {
        ::sync_file_range(fd, from_, to_ - from_, SYNC_FILE_RANGE_WRITE);
        from_ = to_;
    }
}

CopyResult CopyBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                     WriteBehind* behind) {
    // The kernel copies slowly between offsets that sit differently within a page, which
    // is the rule inside packages: large copies of that kind go through the pipeline.
    if (count >= kPipelineThreshold && fromOffset % kPageSize != toOffset % kPageSize)
        return PipelinedCopy(fromFd, fromOffset, toFd, toOffset, count, behind).run();
    CopyResult result;
    const std::int64_t step = behind ? WriteBehind::kPiece : std::int64_t(1) << 30;
    while (result.copied < count) {
        loff_t in = fromOffset + result.copied;
        loff_t out = toOffset + result.copied;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, step));
        const ssize_t moved = ::copy_file_range(fromFd, &in, toFd, &out, want, 0);
        if (moved > 0) {
            if (behind)
                behind->wrote(toFd, toOffset + result.copied, moved);
            result.copied += moved;
            continue;
        }
        if (moved == 0) {
            result.sourceEnded = true;
            return result;
        }
        if (errno == EINTR)
            continue;
        if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
            result.writeError = errno;
            return result;
        }
        // The file systems cannot do it in the kernel (EXDEV, EINVAL, ENOSYS, ...).
        break;
    }
    BufferedCopy(fromFd, fromOffset, toFd, toOffset, count, result, behind);
    return result;
}

CopyResult SendBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t count) {
    CopyResult result;
    while (result.copied < count) {
        off_t from = fromOffset + result.copied;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, 1 << 30));
        const ssize_t sent = ::sendfile(toFd, fromFd, &from, want);
        if (sent > 0) {
            result.copied += sent;
            continue;
        }
        if (sent == 0) {
            result.sourceEnded = true;
            return result;
        }
        if (errno == EINTR)
            continue;
        if (errno != EINVAL && errno != ENOSYS) {
            result.writeError = errno;
            return result;
        }
        break;
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count - result.copied, kCopyBufferSize)));
    while (result.copied < count) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, kCopyBufferSize));
        const IoResult got = ReadAt(fromFd, buffer.data(), want, fromOffset + result.copied);
        for (std::size_t done = 0; done < got.done;) {
            const ssize_t put = ::write(toFd, buffer.data() + done, got.done - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                result.writeError = errno;
                return result;
            }
            done += static_cast<std::size_t>(put);
        }
        result.copied += static_cast<std::int64_t>(got.done);
        if (got.error != 0) {
            result.readFailed = true;
            return result;
        }
        if (got.done < want) {
            result.sourceEnded = true;
            return result;
        }
    }
    return result;
}

} // namespace tessel
