// The test hooks of the file door; compiled to nothing in builds for users.
#ifdef TESSEL_TEST_HOOKS

#include "test_hooks.h"

#include "change_hooks.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

namespace tessel {

namespace {

long gFailingOperation = 0;
int gFailingError = EIO;
long gOperationsSeen = 0;
bool gStruck = false;
std::function<void(const IoTrace::Change&)> gListener;

// For the kill -9 tests of the command line: TESSEL_TEST_KILL_AT_CHANGE=n ends the process
// with SIGKILL just before its n-th change to a file (a write, truncation, sync, creation,
// removal or rename).
void KillWhenDue() {
    static const long killAt = [] {
        const char* text = std::getenv("TESSEL_TEST_KILL_AT_CHANGE");
        return text ? std::atol(text) : 0L;
    }();
    static long changes = 0;
    if (killAt > 0 && ++changes == killAt)
        std::raise(SIGKILL);
}

} // namespace

namespace hooks {

void BeforeChange(ChangeKind kind, const std::string& path, std::int64_t offset, std::string_view bytes,
                  const std::string& target) {
    KillWhenDue();
    // Only a listening test needs a copy of the bytes.
    if (gListener)
        gListener({kind, path, offset, std::string(bytes), target});
}

int InjectedFailure() {
    if (gFailingOperation <= 0)
        return 0;
    ++gOperationsSeen;
    if (gOperationsSeen != gFailingOperation)
        return 0;
    gStruck = true;
    return gFailingError;
}

bool Watching() {
    return static_cast<bool>(gListener);
}

} // namespace hooks

namespace FaultInjection {
void Arm(long failingOperation, int error) {
    gFailingOperation = failingOperation;
    gFailingError = error;
    gOperationsSeen = 0;
    gStruck = false;
}
void Disarm() {
    Arm(0);
}
bool Struck() {
    return gStruck;
}
} // namespace FaultInjection

namespace IoTrace {
void Listen(std::function<void(const Change&)> listener) {
    gListener = std::move(listener);
}
void Stop() {
    gListener = nullptr;
}
} // namespace IoTrace

} // namespace tessel

#endif
