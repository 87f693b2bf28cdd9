// load_bench PACKAGE [RUNS]: the median time of loading the package's directory into the
// folder tree, against a plain read of all the file's bytes, in the same run.
#include "package.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <typename Work> double MedianMs(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: load_bench PACKAGE [RUNS]\n");
        return 2;
    }
    const char* path = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::size_t nodes = 0;
    const double load = MedianMs(runs, [&] {
        tessel::Package package;
        package.LoadPackage(path);
        const tessel::FolderTree& tree = package.tree();
        nodes = tree.count();
    });
    std::vector<char> buffer(1 << 20);
    const double read = MedianMs(runs, [&] {
        const int fd = open(path, O_RDONLY);
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        close(fd);
    });
    std::printf(
        "LoadPackage: %zu nodes, median %.1f ms; plain read of the file: median %.1f ms; ratio %.3f\n", nodes,
        load, read, load / read);
    return 0;
}
