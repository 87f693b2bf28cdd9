// The check streams the directory twice at most: a first pass that reports what a record
// shows by itself and keeps compact marks (hashes and record numbers) for what needs two
// records to see (names alike, shared data); a second pass, only when there are such
// marks, that finds the paths of the records they point at. Memory grows with the depth,
// the files and the problems, never with the product of the depth and the files.
#include "package_check.h"

#include "directory_stream.h"
#include "edit_journal.h"
#include "entry_name.h"
#include "name_text.h"
#include "package_file.h"
#include "package_layout.h"
#include "package_writer.h"
#include "vp_format.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <sys/stat.h>

namespace tessel {

namespace {

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
    const std::int64_t end = std::max<std::int64_t>(place.offset, kHeaderSize) + place.count * kDirEntrySize;
    if (end < fileSize)
        problems.push_back(
            std::to_string(fileSize - end) +
            " bytes follow the directory; Tessel's edits refuse the package, which would lose them");
    return true;
}

// A name seen in a folder, by the hash of its case-folded form.
struct NameMark {
    std::uint64_t hash;
    std::uint32_t record;
};

// The data of a file record.
struct Span {
    std::int32_t begin;
    std::int32_t end;
    std::uint32_t record;
};

// Two records that the second pass must name.
struct Pair {
    std::uint32_t first;
    std::uint32_t second;
    enum Kind { Names, Data } kind;
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// The records of a folder whose names fold alike, as pairs with the first of each name.
void PairNames(std::vector<NameMark>& marks, std::vector<Pair>& pairs) {
    std::sort(marks.begin(), marks.end(), [](const NameMark& a, const NameMark& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.record < b.record;
    });
    for (std::size_t i = 1; i < marks.size(); ++i) {
        std::size_t first = i - 1;
        while (first > 0 && marks[first - 1].hash == marks[i].hash)
            --first;
        if (marks[i].hash == marks[first].hash)
            pairs.push_back({marks[first].record, marks[i].record, Pair::Names});
    }
}

// Pairs the files whose data overlaps; returns the bytes that some file's data covers.
std::int64_t PairOverlaps(std::vector<Span>& spans, std::vector<Pair>& pairs) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    const Span* widest = nullptr;
    std::int64_t covered = 0;
    for (const Span& span : spans) {
        const std::int64_t reached = widest ? widest->end : 0;
        if (span.end > reached)
            covered += span.end - std::max<std::int64_t>(span.begin, reached);
        if (widest && span.begin < widest->end)
            pairs.push_back(
                {widest->record, span.record, Pair::Data, span.begin, std::min(span.end, widest->end) - 1});
        if (!widest || span.end > widest->end)
            widest = &span;
    }
    return covered;
}

} // namespace

std::vector<std::string> CheckPackage(const std::string& path) {
    PackageFile file = PackageFile::Open(path, FileAccess::Read, FileSharing::Unlocked);
    std::vector<std::string> problems;
    struct stat journal {};
    const std::string journalPath = JournalPath(RealPath(path));
    if (::lstat(journalPath.c_str(), &journal) == 0)
        problems.push_back("an interrupted edit is pending in \"" + journalPath +
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
    const DirectoryPlace place = PlaceOf(header);

    std::vector<std::vector<NameMark>> names(1);
    std::vector<Span> spans;
    std::vector<Pair> pairs;
    std::int64_t stray = 0;
    DirectoryStream stream(file, place);
    while (stream.next()) {
        const DirEntry& entry = stream.record();
        const auto record = static_cast<std::uint32_t>(stream.index());
        if (entry.isFolderEnd()) {
            if (stream.strayEnd()) {
                ++stray;
            } else {
                PairNames(names.back(), pairs);
                names.pop_back();
            }
            continue;
        }
        const std::string name = entry.name();
        if (!IsSafeEntryName(name))
            problems.push_back("entry \"" + stream.path() + "\": the name " + Quoted(name) +
                               " cannot be extracted safely");
        names.back().push_back({std::hash<std::string>()(EntryNameKey(NameToUtf8(name))), record});
        if (entry.isFolder()) {
            names.emplace_back();
            continue;
        }
        if (DataOutside(entry, header.DirOffset))
            problems.push_back("entry \"" + stream.path() + "\": data at offset " +
                               std::to_string(entry.Offset) + " of " + std::to_string(entry.Size) +
                               " bytes lies outside the data area (" + std::to_string(kHeaderSize) + " to " +
                               std::to_string(header.DirOffset) + ")");
        else if (entry.Size > 0)
            spans.push_back(
                {entry.Offset, static_cast<std::int32_t>(std::int64_t(entry.Offset) + entry.Size), record});
    }
    const std::size_t open = names.size() - 1;
    while (!names.empty()) {
        PairNames(names.back(), pairs);
        names.pop_back();
    }
    if (stray > 0)
        problems.push_back(std::to_string(stray) + " folder-end record" + (stray == 1 ? "" : "s") +
                           " (\"..\") outside every folder close nothing");
    if (open > 0)
        problems.push_back(std::to_string(open) + " folder" + (open == 1 ? " is" : "s are") +
                           " left open at the end of the directory");
    const std::int64_t unused = std::int64_t(header.DirOffset) - kHeaderSize - PairOverlaps(spans, pairs);
    spans = {};
    if (unused > 0 && header.DirOffset > kHeaderSize)
        problems.push_back(std::string(kWarning) + std::to_string(unused) +
                           " bytes of the data area belong to no entry (tessel-vp compact removes them)");
    if (pairs.empty())
        return problems;

    // The second pass: the paths and names of the records that the pairs point at.
    std::map<std::uint32_t, std::pair<std::string, std::string>> named; // record -> path, stored name
    for (const Pair& pair : pairs)
        named[pair.first] = named[pair.second] = {};
    DirectoryStream again(file, place);
    auto wanted = named.begin();
    while (wanted != named.end() && again.next()) {
        if (static_cast<std::uint32_t>(again.index()) == wanted->first)
            (wanted++)->second = {again.path(), again.record().name()};
    }
    for (const Pair& pair : pairs) {
        const auto& [firstPath, firstName] = named[pair.first];
        const auto& [secondPath, secondName] = named[pair.second];
        if (pair.kind == Pair::Data) {
            problems.push_back("entries \"" + firstPath + "\" and \"" + secondPath + "\" share data (bytes " +
                               std::to_string(pair.from) + " to " + std::to_string(pair.to) + ")");
        } else if (firstName == secondName) {
            problems.push_back("entries \"" + firstPath + "\" and \"" + secondPath +
                               "\" have exactly one name: a game finds only one of them");
        } else if (SameEntryName(NameToUtf8(firstName), NameToUtf8(secondName))) {
            problems.push_back(std::string(kWarning) + "entries \"" + firstPath + "\" and \"" + secondPath +
                               "\" have names that are the same to programs that ignore case");
        }
    }
    return problems;
}

} // namespace tessel
