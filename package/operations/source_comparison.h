// Several packages and folders seen together: what changed from one to another, and what a
// game that reads them in order takes from each. Paths match by their keys (ASCII case
// ignored); what is shown is the spelling of the source that supplies the file.
#pragma once

#include "entry_change.h"
#include "file_source.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace tessel {

// The files that differ, in no particular order (the reports sort them), each named as the
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

// Whether each shadowed copy's bytes equal its winner's, path by path and layer by layer (the
// winners left out), read on a few threads. A `stop` that becomes true ends the reading early;
// what is returned then is not to be used.
std::vector<char> CompareShadowed(const std::vector<FileSource>& sources,
                                  const std::vector<MergedPath>& paths,
                                  const std::atomic<bool>* stop = nullptr);
// Gives the layers the answers CompareShadowed found.
void ApplySameness(std::vector<MergedPath>& paths, const std::vector<char>& same);

// Writes the winners of the merged tree below the destination folder, made when missing,
// with the extraction's rules: never outside it, never through a link, each file whole or
// not at all. A folder is named as the first path that reaches it spells it. A destination
// that is a source, or lies inside one or holds one, is refused.
void ExtractMerged(const std::string& destination, const std::vector<FileSource>& sources,
                   const std::vector<MergedPath>& paths);

} // namespace tessel
