#include "package_check.h"

#include "edit_journal.h"
#include "entry_name.h"
#include "folder_path.h"
#include "name_text.h"
#include "package_file.h"
#include "package_layout.h"
#include "package_writer.h"
#include "vp_format.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace tessel {

namespace {

struct DataSpan {
    std::int64_t begin;
    std::int64_t end;
    std::string path;
};

std::string Quoted(std::string_view text) {
    return "\"" + NameToUtf8(text) + "\"";
}

std::string Printable(std::string_view bytes) {
    std::string out;
    static const char* hex = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(c);
        } else {
            out += "\\x";
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 15]);
        }
    }
    return out;
}

void CheckHeader(const PackageHeader& header, std::vector<std::string>& problems) {
    if (!header.hasMagic())
        problems.push_back("header: magic is \"" + Printable({header.Magic.data(), header.Magic.size()}) +
                           "\", not \"" + std::string(kMagic) + "\"");
    if (header.Version != kVersion)
        problems.push_back("header: version is " + std::to_string(header.Version) + ", not " +
                           std::to_string(kVersion));
}

// Returns false when the directory cannot be read at all.
bool CheckBounds(const PackageHeader& header, std::int64_t fileSize, std::vector<std::string>& problems) {
    if (std::string problem = DirectoryPlaceProblem(header, fileSize); !problem.empty()) {
        problems.push_back(std::move(problem));
        return false;
    }
    const DirectoryPlace place = PlaceOf(header);
    if (place.end() < fileSize && place.count > 0)
        problems.push_back(std::to_string(fileSize - place.end()) + " bytes follow the directory");
    return true;
}

void CheckOverlaps(std::vector<DataSpan>& spans, std::vector<std::string>& problems) {
    std::sort(spans.begin(), spans.end(),
              [](const DataSpan& a, const DataSpan& b) { return a.begin < b.begin; });
    const DataSpan* widest = nullptr;
    for (const DataSpan& span : spans) {
        if (widest && span.begin < widest->end)
            problems.push_back("entries \"" + widest->path + "\" and \"" + span.path +
                               "\" share data (bytes " + std::to_string(span.begin) + " to " +
                               std::to_string(std::min(span.end, widest->end) - 1) + ")");
        if (!widest || span.end > widest->end)
            widest = &span;
    }
}

} // namespace

std::vector<std::string> CheckPackage(const std::string& path) {
    PackageFile file = PackageFile::Open(path, FileAccess::Read, FileSharing::Unlocked);
    std::vector<std::string> problems;
    struct stat journal {};
    if (::lstat(JournalPath(RealPath(path)).c_str(), &journal) == 0)
        problems.push_back("an interrupted edit is pending in \"" + JournalPath(RealPath(path)) +
                           "\"; open the package with Tessel (any tessel-vp command but check) to finish it");
    const std::int64_t fileSize = file.size();
    if (fileSize == 0)
        return problems;
    if (fileSize < kHeaderSize) {
        problems.push_back("header: the file has " + std::to_string(fileSize) +
                           " bytes, fewer than the header's " + std::to_string(kHeaderSize));
        return problems;
    }
    const PackageHeader header = ReadHeader(file);
    CheckHeader(header, problems);
    if (!CheckBounds(header, fileSize, problems))
        return problems;

    // The folders open around each record, and the names seen in each of them: memory
    // grows with the depth, not its square.
    FolderPath folders;
    std::vector<std::unordered_map<std::string, std::string>> names(1);
    std::vector<DataSpan> spans;
    file.seek(header.DirOffset);
    unsigned char bytes[kDirEntrySize];
    for (std::int32_t i = 0; i < header.EntryCount; ++i) {
        file.readExact(bytes, kDirEntrySize);
        const DirEntry entry = DecodeDirEntry(bytes);
        const std::string name = entry.name();
        if (entry.isFolderEnd()) {
            if (folders.depth() > 0) {
                folders.close();
                names.pop_back();
            }
            continue;
        }
        const std::string shown = NameToUtf8(name);
        const std::string entryPath = folders.entry(name, entry.isFolder());
        if (!IsSafeEntryName(name))
            problems.push_back("entry \"" + entryPath + "\": the name " + Quoted(name) +
                               " cannot be extracted safely");
        const auto [earlier, first] = names.back().emplace(EntryNameKey(shown), shown);
        if (!first)
            problems.push_back(std::string(kWarning) + "entries \"" + folders.text() + earlier->second +
                               "\" and \"" + entryPath +
                               "\" have names that are the same to programs that ignore case");
        if (entry.isFolder()) {
            folders.open(name);
            names.emplace_back();
            continue;
        }
        if (DataOutside(entry, header.DirOffset)) {
            problems.push_back("entry \"" + entryPath + "\": data at offset " + std::to_string(entry.Offset) +
                               " of " + std::to_string(entry.Size) + " bytes lies outside the data area (" +
                               std::to_string(kHeaderSize) + " to " + std::to_string(header.DirOffset) + ")");
        } else if (entry.Size > 0) {
            spans.push_back({entry.Offset, std::int64_t(entry.Offset) + entry.Size, entryPath});
        }
    }
    if (folders.depth() > 0)
        problems.push_back(std::to_string(folders.depth()) + " folder" +
                           (folders.depth() == 1 ? " is" : "s are") +
                           " left open at the end of the directory");
    CheckOverlaps(spans, problems);
    return problems;
}

} // namespace tessel
