#include "package_reader.h"

#include "directory_reader.h"
#include "edit_journal.h"
#include "package_error.h"
#include "package_writer.h"

namespace tessel {

namespace {

PackageFile OpenForWalk(const std::string& path, std::string& note) {
    const std::string real = RealPath(path);
    note = RecoveryNote(path, RecoverInterruptedEdit(real));
    return PackageFile::Open(real, FileAccess::Read, FileSharing::SharedRead);
}

} // namespace

PackageReader::PackageReader(const std::string& path)
    : file_(OpenForWalk(path, recoveryNote_)), size_(file_.size()), place_(ReadablePlace(file_)) {}

} // namespace tessel
