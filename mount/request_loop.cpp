#define FUSE_USE_VERSION 312

#include "request_loop.h"

#include "mounted_package.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fuse_lowlevel.h>
#include <linux/fuse.h>
#include <mutex>
#include <pthread.h>
#include <vector>

namespace tessel {

namespace {

// Calls that may run an edit, or wait for one, whatever else is going on.
bool MayEdit(std::uint32_t opcode) {
    switch (opcode) {
    case FUSE_FSYNC:
    case FUSE_FSYNCDIR:
    case FUSE_UNLINK:
    case FUSE_RMDIR:
    case FUSE_MKDIR:
    case FUSE_RENAME:
    case FUSE_RENAME2:
        return true;
    default:
        return false;
    }
}

// Calls that may read the package's bytes, which wait while an edit runs. (A write waits
// only for an edit of its own file, which an fsync of it starts while it is open.)
bool ReadsBytes(std::uint32_t opcode) {
    switch (opcode) {
    case FUSE_OPEN:
    case FUSE_READ:
    case FUSE_SETATTR:
        return true;
    default:
        return false;
    }
}

// Requests handed over by the reading thread, answered in turn by a few helpers.
class Helpers {
public:
    explicit Helpers(fuse_session* session) : session_(session) {
        for (int i = 0; i < kHelpers; ++i)
            threads_.push_back(HelperThread([this] { work(); }));
    }
    ~Helpers() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        waiting_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;

    void hand(const fuse_buf& request) {
        const char* bytes = static_cast<const char*>(request.mem);
        {
            const std::lock_guard lock(mutex_);
            queue_.emplace_back(bytes, bytes + request.size);
        }
        waiting_.notify_one();
    }

private:
    // Enough that a read of a file not in an edit need not wait behind one.
    static constexpr int kHelpers = 2;

    void work() {
        for (;;) {
            std::vector<char> request;
            {
                std::unique_lock lock(mutex_);
                waiting_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    return;
                request = std::move(queue_.front());
                queue_.pop_front();
            }
            fuse_buf buffer{};
            buffer.size = request.size();
            buffer.mem = request.data();
            fuse_session_process_buf(session_, &buffer);
        }
    }

    fuse_session* session_;
    std::mutex mutex_;
    std::condition_variable waiting_;
    std::deque<std::vector<char>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace

std::thread HelperThread(std::function<void()> work) {
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    std::thread thread(std::move(work));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return thread;
}

int ServeRequests(fuse_session* session, MountedPackage& mounted) {
    // A copy looks up, creates, writes and closes each file and waits for every answer in
    // turn: answered by the thread that read it, a request costs no wake-up of another
    // thread, which on some machines costs more than the work.
    Helpers helpers(session);
    fuse_buf buffer{};
    int status = 0;
    while (!fuse_session_exited(session)) {
        const int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR)
            continue;
        if (received <= 0) {
            status = received < 0 ? 1 : 0;
            break;
        }
        const std::uint32_t opcode = static_cast<const fuse_in_header*>(buffer.mem)->opcode;
        if (MayEdit(opcode)) {
            helpers.hand(buffer);
        } else if (!ReadsBytes(opcode)) {
            fuse_session_process_buf(session, &buffer);
        } else if (mounted.holdBytes()) {
            fuse_session_process_buf(session, &buffer);
            mounted.letGoOfBytes();
        } else {
            helpers.hand(buffer);
        }
    }
    std::free(buffer.mem);
    return status;
}

} // namespace tessel
