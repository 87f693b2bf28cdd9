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

// Has the disk start writing a copy's target a piece at a time behind it, for a copy that
// is synced once done: the sync then finds little left to write, and the copying and the
// disk's writing overlap. Only a hint: the sync still makes the bytes durable.
class Writeback {
public:
    Writeback(int fd, std::int64_t start, bool on) : fd_(fd), from_(start), on_(on) {}
    ~Writeback() { flush(); }
    Writeback(const Writeback&) = delete;
    Writeback& operator=(const Writeback&) = delete;

    static constexpr std::int64_t kPiece = 1024 * 1024;

    // The target is written up to `end`.
    void reached(std::int64_t end) {
        to_ = end;
        if (to_ - from_ >= kPiece)
            flush();
    }

private:
    void flush() {
        if (on_ && to_ > from_)
            ::sync_file_range(fd_, from_, to_ - from_, SYNC_FILE_RANGE_WRITE);
        from_ = std::max(from_, to_);
    }

    int fd_;
    std::int64_t from_;
    std::int64_t to_ = 0;
    bool on_;
};

// Falls back to a plain buffer for the rest of the copy.
void BufferedCopy(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                  CopyResult& result, Writeback& writeback) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count - result.copied, kCopyBufferSize)));
    while (result.copied < count) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, kCopyBufferSize));
        const IoResult got = ReadAt(fromFd, buffer.data(), want, fromOffset + result.copied);
        const IoResult put = WriteAt(toFd, buffer.data(), got.done, toOffset + result.copied);
        result.copied += static_cast<std::int64_t>(put.done);
        writeback.reached(toOffset + result.copied);
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
                  Writeback& writeback)
        : fromFd_(fromFd), fromOffset_(fromOffset), toFd_(toFd), toOffset_(toOffset), count_(count),
          writeback_(writeback) {}

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
            result_.copied += static_cast<std::int64_t>(slot.length);
            writeback_.reached(toOffset_ + result_.copied);
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
    Writeback& writeback_;
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

CopyResult CopyBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                     bool startWriteback) {
    Writeback writeback(toFd, toOffset, startWriteback);
    // The kernel copies slowly between offsets that sit differently within a page, which
    // is the rule inside packages: large copies of that kind go through the pipeline.
    if (count >= kPipelineThreshold && fromOffset % kPageSize != toOffset % kPageSize)
        return PipelinedCopy(fromFd, fromOffset, toFd, toOffset, count, writeback).run();
    CopyResult result;
    const std::int64_t step = startWriteback ? Writeback::kPiece : std::int64_t(1) << 30;
    while (result.copied < count) {
        loff_t in = fromOffset + result.copied;
        loff_t out = toOffset + result.copied;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, step));
        const ssize_t moved = ::copy_file_range(fromFd, &in, toFd, &out, want, 0);
        if (moved > 0) {
            result.copied += moved;
            writeback.reached(toOffset + result.copied);
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
    BufferedCopy(fromFd, fromOffset, toFd, toOffset, count, result, writeback);
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
