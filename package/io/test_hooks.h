// Hooks into the engine's file door for the crash and fault tests, present only in builds
// made with TESSEL_TEST_HOOKS: one makes a chosen operation fail, the other sees every
// change before it happens (and may stop the program there, as a crash would). Programs
// built for users hold none of it.
#pragma once

#ifndef TESSEL_TEST_HOOKS
#error "test_hooks.h is for builds made with TESSEL_TEST_HOOKS"
#endif

#include "change_kind.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tessel {

// Makes the n-th counted operation (a read, a write, a copy into the file, a truncation or
// a sync, counted from 1 after Arm) fail as an I/O error would.
namespace FaultInjection {
void Arm(long failingOperation, int error = 5 /* EIO */);
void Disarm();
// Whether the armed failure has struck.
bool Struck();
} // namespace FaultInjection

// Every change to a file made through the door, seen before it is made. The listener may
// throw to stop the program at that instant.
namespace IoTrace {
struct Change {
    using Kind = ChangeKind;
    static constexpr Kind Write = ChangeKind::Write;
    static constexpr Kind Truncate = ChangeKind::Truncate;
    static constexpr Kind Sync = ChangeKind::Sync;
    static constexpr Kind Create = ChangeKind::Create;
    static constexpr Kind Remove = ChangeKind::Remove;
    static constexpr Kind Rename = ChangeKind::Rename;
    static constexpr Kind SyncFolder = ChangeKind::SyncFolder;
    Kind kind;
    std::string path;
    std::int64_t offset = 0; // where a write starts; the new size for a truncation
    std::string bytes;       // what a write puts there
    std::string target;      // where a rename goes
};
void Listen(std::function<void(const Change&)> listener);
void Stop();
} // namespace IoTrace

} // namespace tessel
