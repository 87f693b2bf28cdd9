// delete_bench PACKAGE WORK_DIR: on a copy of a package of 10,000 entries, deletes 1,000
// entries spread over it in one call, against copying the bytes behind the first deleted
// entry once with cp and with dd, in the same run. Then deletes a sample of them one by
// one, as each call moves the whole tail again, and renames an entry.
#include "median.h"
#include "package.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using tessel::bench::Median;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Fresh(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    std::system("sync");
}

std::vector<const tessel::TreeNode*> Victims(const tessel::FolderTree& tree, int every, int first) {
    std::vector<const tessel::TreeNode*> victims;
    int index = 0;
    for (const tessel::TreeNode* node = tree.root(); node; node = node->next()) {
        if (node->isFile() && index++ % every == first)
            victims.push_back(node);
    }
    return victims;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: delete_bench PACKAGE WORK_DIR\n");
        return 2;
    }
    const std::string original = argv[1];
    const std::string work = std::string(argv[2]) + "/work.vp";
    const int runs = 3;

    std::vector<double> single;
    std::int64_t firstOffset = 0;
    std::size_t count = 0;
    for (int run = 0; run < runs; ++run) {
        Fresh(original, work);
        tessel::Package package;
        package.LoadPackage(work);
        const tessel::FolderTree& tree = package.tree();
        const auto victims = Victims(tree, 10, 5);
        count = victims.size();
        firstOffset = victims.front()->record()->Offset;
        single.push_back(Ms([&] { package.DeleteEntries(victims); }));
    }

    // The peers: the bytes behind the first deleted entry, copied once.
    const std::string tail = std::string(argv[2]) + "/tail.bin";
    const std::string tailCopy = std::string(argv[2]) + "/tail-copy.bin";
    Fresh(original, work);
    std::system(("dd if=" + work + " of=" + tail +
                 " bs=1M iflag=skip_bytes skip=" + std::to_string(firstOffset) + " status=none")
                    .c_str());
    const auto tailBytes = fs::file_size(tail);
    std::vector<double> cp, dd;
    for (int run = 0; run < runs; ++run) {
        fs::remove(tailCopy);
        std::system("sync");
        cp.push_back(Ms([&] { std::system(("cp " + tail + " " + tailCopy).c_str()); }));
        fs::remove(tailCopy);
        std::system("sync");
        dd.push_back(Ms([&] {
            std::system(("dd if=" + work + " of=" + tailCopy +
                         " bs=64K iflag=skip_bytes skip=" + std::to_string(firstOffset) + " status=none")
                            .c_str());
        }));
    }

    // One by one, on every 20th of the victims; the whole set would take twenty times as long.
    Fresh(original, work);
    double oneByOne = 0;
    std::size_t sampled = 0;
    {
        tessel::Package package;
        package.LoadPackage(work);
        const tessel::FolderTree& tree = package.tree();
        const auto victims = Victims(tree, 200, 5);
        sampled = victims.size();
        oneByOne = Ms([&] {
            for (const tessel::TreeNode* victim : victims)
                package.DeleteEntries({victim});
        });
    }

    std::vector<double> renames;
    Fresh(original, work);
    {
        tessel::Package package;
        package.LoadPackage(work);
        const tessel::FolderTree& tree = package.tree();
        const tessel::TreeNode* target = nullptr;
        int index = 0;
        for (const tessel::TreeNode* node = tree.root(); node && !target; node = node->next()) {
            if (node->isFile() && index++ == 5000)
                target = node;
        }
        for (int run = 0; run < 7; ++run)
            renames.push_back(Ms([&] { package.RenameEntry(target, "renamed" + std::to_string(run)); }));
    }
    fs::remove(work);
    fs::remove(tail);
    fs::remove(tailCopy);

    const double best = std::min(Median(cp), Median(dd));
    std::printf("deleting %zu entries in one call (tail behind the first: %.1f MiB), median of %d:\n", count,
                double(tailBytes) / 1048576.0, runs);
    std::printf("  DeleteEntries:        %8.1f ms\n", Median(single));
    std::printf("  cp of the tail:       %8.1f ms   ratio %.2f\n", Median(cp), Median(single) / Median(cp));
    std::printf("  dd bs=64K of the tail:%8.1f ms   ratio %.2f\n", Median(dd), Median(single) / Median(dd));
    std::printf("  ratio to the faster peer: %.2f (target at most 1.5)\n", Median(single) / best);
    std::printf("one by one: %zu of the entries took %.1f ms; all %zu would take about %.1f s\n", sampled,
                oneByOne, count, oneByOne * double(count) / double(sampled) / 1000.0);
    std::printf("renaming an entry: median %.2f ms (target at most 20), data area untouched\n",
                Median(renames));
    return 0;
}
