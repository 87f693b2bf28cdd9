// Checks that depend on privileges, made to run the same way for root and for anyone else.
#pragma once

#include <functional>
#include <string>

namespace tessel::testing {

// Runs the check as a user without privileges: in a child that gives up root's when the
// tests run as root, else right here. True when the check held.
bool AsUnprivilegedUser(const std::function<bool()>& check);

// Mounts a tmpfs of the size on the folder, in a mount namespace of this process's own (and a
// user namespace when it may not mount otherwise). Returns why it could not, or "".
std::string MountSmallDisk(const std::string& folder, const std::string& size);

} // namespace tessel::testing
