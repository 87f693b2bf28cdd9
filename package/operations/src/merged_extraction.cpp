// The merged tree of several sources written to a folder, as the game would read it.
#include "byte_copy.h"
#include "destination.h"
#include "entry_name.h"
#include "package_error.h"
#include "package_file.h"
#include "package_writer.h"
#include "source_comparison.h"

#include <fcntl.h>

namespace tessel {

namespace {

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        parts.push_back(path.substr(start, slash - start));
    parts.push_back(path.substr(start));
    return parts;
}

bool Inside(const std::string& inner, const std::string& outer) {
    return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                              (outer == "/" || inner[outer.size()] == '/'));
}

// Writing into a source while it is read would change what is read.
void RefuseOverlap(const std::string& destination, const std::vector<FileSource>& sources) {
    const std::string target = RealPath(destination);
    for (const FileSource& source : sources) {
        const std::string real = RealPath(source.given());
        if (Inside(real, target) || (!source.isPackage() && Inside(target, real)))
            throw PackageError("Cannot extract into \"" + destination + "\": the source \"" + source.given() +
                               "\" lies there");
    }
}

} // namespace

void ExtractMerged(const std::string& destination, const std::vector<FileSource>& sources,
                   const std::vector<MergedPath>& paths) {
    // Made first, the destination has a real path to compare.
    Destination into(destination);
    RefuseOverlap(destination, sources);
    // The folders entered, by their keys: the paths come sorted, so a folder's files come
    // together and each folder is made once.
    std::vector<std::string> entered;
    for (const MergedPath& path : paths) {
        const Layer& winner = path.winner();
        const FileSource& source = sources[winner.source];
        const std::vector<std::string> parts = Parts(winner.file->path);
        for (const std::string& part : parts) {
            if (!IsSafeEntryName(part))
                throw PackageError("Cannot extract \"" + winner.file->path + "\" of \"" + source.given() +
                                   "\": \"" + part + "\" cannot be a file name");
        }
        std::size_t same = 0;
        while (same < entered.size() && same + 1 < parts.size() && entered[same] == EntryNameKey(parts[same]))
            ++same;
        into.keep(same);
        entered.resize(same);
        for (std::size_t i = same; i + 1 < parts.size(); ++i) {
            into.enter(parts[i]);
            entered.push_back(EntryNameKey(parts[i]));
        }
        const FileSource::Bytes bytes = source.open(*winner.file);
        NewFileAt file(into.fd(), parts.back(), into.shown());
        const CopyResult copied = CopyBytes(bytes.fd, bytes.offset, file.fd(), 0, winner.file->size);
        const std::string shown = into.shown() + "/" + parts.back();
        if (copied.writeError != 0)
            throw PackageError(CannotWriteMessage(shown, copied.writeError));
        if (copied.readFailed || copied.sourceEnded)
            throw PackageError("Cannot extract \"" + winner.file->path +
                               "\": it cannot be read whole from \"" + source.given() + "\"");
        file.place();
    }
}

} // namespace tessel
