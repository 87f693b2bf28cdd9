#include "archive_library.h"

#include "package_error.h"

#include <dlfcn.h>
#include <mutex>
#include <string>

namespace tessel {

namespace {

// Every libarchive 3 has this name; the build's headers say which one it was built against.
static_assert(ARCHIVE_VERSION_NUMBER >= 3000000 && ARCHIVE_VERSION_NUMBER < 4000000);
constexpr const char* kLibraryName = "libarchive.so.13";

std::string Load(ArchiveLibrary& library) {
    void* handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return ::dlerror();
    std::string missing;
#define TESSEL_ARCHIVE_RESOLVE(name)                                                                         \
    library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, #name));                         \
    if (!library.name)                                                                                       \
        missing += (missing.empty() ? "" : ", ") + std::string(#name);
    TESSEL_ARCHIVE_FUNCTIONS(TESSEL_ARCHIVE_RESOLVE)
#undef TESSEL_ARCHIVE_RESOLVE
    // Kept loaded for the rest of the run, as a linked library would be.
    return missing.empty() ? std::string() : std::string(kLibraryName) + " lacks " + missing;
}

} // namespace

const ArchiveLibrary& Archives() {
    static ArchiveLibrary library{};
    static std::string problem;
    static std::once_flag loaded;
    std::call_once(loaded, [] { problem = Load(library); });
    if (!problem.empty())
        throw PackageError("Archives cannot be read or written: " + problem +
                           ". Install libarchive (Debian's package libarchive13)");
    return library;
}

} // namespace tessel
