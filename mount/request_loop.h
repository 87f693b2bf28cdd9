// How a writable mount takes the kernel's requests: one thread reads them and answers most
// itself, at once; only those that may wait on an edit go to helper threads. docs/mount.md
// tells why.
#pragma once

#include <functional>
#include <thread>

struct fuse_session;

namespace tessel {

class MountedPackage;

// Serves the session until it is unmounted or told to end; returns 0, or 1 when reading
// from the kernel failed.
int ServeRequests(fuse_session* session, MountedPackage& mounted);

// A thread that never takes the signals which end the mount: they must reach the thread
// that reads requests, or a Ctrl+C would wait for the next request.
std::thread HelperThread(std::function<void()> work);

} // namespace tessel
