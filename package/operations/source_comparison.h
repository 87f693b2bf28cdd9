// Several packages and folders seen together: what changed from one to another, and what a
// game that reads them in order takes from each. Paths match by their keys (ASCII case
// ignored); what is shown is the spelling of the source that supplies the file.
#pragma once

#include "entry_change.h"
#include "file_source.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

namespace tessel {

struct SourcedFile {
    std::size_t source;
    SourceFile file;
};

// The sources' merged tree walked folder by folder in the order of its paths (as MergeSources
// sorts them), holding only the folders the walk is inside, so that sources of any size are
// merged in little memory. `each` is given each path's files, for it to keep: the sources in
// the order given, one source's files of the path in its directory order. The first names the
// path as its source spells it; a later one's path is made only where its source spells it
// otherwise, and left empty where it is spelled the same, byte for byte: most copies of a
// path are, and a string for each of them was a tenth of an overlay's work.
void WalkMerged(const std::vector<const FileSource*>& sources,
                const std::function<void(std::vector<SourcedFile>&)>& each);

// The files that differ, in the order of their paths, each named as the
// new side spells it where it has the file: sizes first, then contents; with times also the
// files of the same bytes and another time. Two files of one path on one side are paired with
// the other side's in directory order; one without a partner is added or removed. The records
// carry the sizes and times.
std::vector<EntryChange> CompareSources(const FileSource& before, const FileSource& after, bool times);

struct Layer {
    std::size_t source;
    const SourceFile* file;
    // Whether the bytes equal the winner's; the winner's own is true.
    bool same = true;
};

// One path of the merged tree: the file that wins first, then those it shadows, in the
// order of precedence (the sources as given, the later of one source's two files first).
struct MergedPath {
    std::vector<Layer> layers;
    const Layer& winner() const { return layers.front(); }
};

// The merged tree of the sources, the first given taking precedence, sorted by path; with
// compare, each shadowed file says whether its bytes equal the winner's.
std::vector<MergedPath> MergeSources(const std::vector<FileSource>& sources, bool compare);

// The merged tree as MergeSources gives it, walked: `batch` is given the paths a thousand or
// more at a time, in order, and the files they point to last until it returns. A shadowed
// copy's path is empty where it is spelled as its winner's.
void StreamMerged(const std::vector<FileSource>& sources, bool compare,
                  const std::function<void(const std::vector<MergedPath>&)>& batch);

// Whether each shadowed copy's bytes equal its winner's, path by path and layer by layer (the
// winners left out), read on the calling thread and at most `helpers` more. A `stop` that
// becomes true ends the reading early; what is returned then is not to be used.
std::vector<char> CompareShadowed(const std::vector<FileSource>& sources,
                                  const std::vector<MergedPath>& paths,
                                  const std::atomic<bool>* stop = nullptr, std::size_t helpers = 4);
// Gives the layers the answers CompareShadowed found.
void ApplySameness(std::vector<MergedPath>& paths, const std::vector<char>& same);

// Writes the winners of the merged tree below the destination folder, made when missing,
// with the extraction's rules: never outside it, never through a link, each file whole or
// not at all. A folder is named as the first path that reaches it spells it. A destination
// that is a source, or lies inside one or holds one, is refused.
void ExtractMerged(const std::string& destination, const std::vector<FileSource>& sources,
                   const std::vector<MergedPath>& paths);

} // namespace tessel
