// The comparison of shadowed copies on threads the caller keeps, for a caller that compares
// batch after batch: threads made for each batch would make their buffers anew each time.
#pragma once

#include "source_comparison.h"
#include "worker_pool.h"

#include <string_view>

namespace tessel {

// "data/tables/" of "data/tables/ships.tbl": the folders batches of paths are cut between.
inline std::string_view FolderPart(std::string_view path) {
    return path.substr(0, path.rfind('/') + 1);
}

std::vector<char> CompareShadowedOn(WorkerPool& pool, const std::vector<FileSource>& sources,
                                    const std::vector<MergedPath>& paths, const std::atomic<bool>* stop);

} // namespace tessel
