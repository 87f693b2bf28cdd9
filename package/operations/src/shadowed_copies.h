// The comparison of shadowed copies on threads the caller keeps, for a caller that compares
// batch after batch: threads made for each batch would make their buffers anew each time.
#pragma once

#include "source_comparison.h"
#include "worker_pool.h"

namespace tessel {

std::vector<char> CompareShadowedOn(WorkerPool& pool, const std::vector<FileSource>& sources,
                                    const std::vector<MergedPath>& paths, const std::atomic<bool>* stop);

} // namespace tessel
