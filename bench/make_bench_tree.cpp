// make_bench_tree OUT_DIR FOLDERS FILES MIN_SIZE MAX_SIZE [log]
// Writes OUT_DIR/tree/ (a folder tree on disk) and OUT_DIR/package.vp holding the very same
// entries, so that Tessel and other archivers can be timed on the same bytes. Folders are
// two levels deep; sizes are spread evenly between MIN_SIZE and MAX_SIZE, or evenly on a
// logarithmic scale with "log" (many small files, a few large ones, as in game data).
#include "vp_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: make_bench_tree OUT_DIR FOLDERS FILES MIN_SIZE MAX_SIZE [log]\n");
        return 2;
    }
    const fs::path out = argv[1];
    const int folders = std::atoi(argv[2]);
    const int files = std::atoi(argv[3]);
    const int minSize = std::atoi(argv[4]);
    const int maxSize = std::atoi(argv[5]);
    const int topFolders = std::max(1, folders / 40);
    const int subPerTop = std::max(1, (folders - topFolders) / topFolders);

    fs::remove_all(out / "tree");
    std::ofstream package(out / "package.vp", std::ios::binary | std::ios::trunc);
    package.write(std::string(tessel::kHeaderSize, '\0').data(), tessel::kHeaderSize);
    std::int64_t offset = tessel::kHeaderSize;
    std::vector<tessel::DirEntry> records;
    std::mt19937 random(20261208);
    const bool logarithmic = argc == 7 && std::string(argv[6]) == "log";
    std::uniform_int_distribution<int> evenSizes(minSize, maxSize);
    std::uniform_real_distribution<double> exponents(std::log(double(minSize)), std::log(double(maxSize)));
    auto sizes = [&](std::mt19937& engine) {
        return logarithmic ? static_cast<int>(std::exp(exponents(engine))) : evenSizes(engine);
    };
    std::string buffer;

    const int leafFolders = topFolders * subPerTop;
    int written = 0;
    auto addFiles = [&](const fs::path& dir, int count) {
        for (int i = 0; i < count; ++i, ++written) {
            const int size = sizes(random);
            buffer.resize(static_cast<std::size_t>(size));
            for (int k = 0; k < size; ++k)
                buffer[static_cast<std::size_t>(k)] = static_cast<char>('a' + (k * 7 + written) % 26);
            const std::string name = "file" + std::to_string(written) + ".tbl";
            std::ofstream(dir / name, std::ios::binary).write(buffer.data(), size);
            package.write(buffer.data(), size);
            records.push_back(
                tessel::MakeDirEntry(static_cast<std::int32_t>(offset), size, 1117627200, name));
            offset += size;
        }
    };
    for (int t = 0; t < topFolders; ++t) {
        const std::string top = "folder" + std::to_string(t);
        records.push_back(tessel::MakeDirEntry(16, 0, 0, top));
        for (int s = 0; s < subPerTop; ++s) {
            const std::string sub = "sub" + std::to_string(s);
            const fs::path dir = out / "tree" / top / sub;
            fs::create_directories(dir);
            records.push_back(tessel::MakeDirEntry(16, 0, 0, sub));
            const int leaf = t * subPerTop + s;
            addFiles(dir, files * (leaf + 1) / leafFolders - files * leaf / leafFolders);
            records.push_back(tessel::MakeDirEntry(1, 0, 0, ".."));
        }
        records.push_back(tessel::MakeDirEntry(t + 1 == topFolders ? 16 : 1, 0, 0, ".."));
    }
    for (const tessel::DirEntry& record : records) {
        unsigned char bytes[tessel::kDirEntrySize];
        tessel::EncodeDirEntry(record, bytes);
        package.write(reinterpret_cast<const char*>(bytes), tessel::kDirEntrySize);
    }
    unsigned char header[tessel::kHeaderSize];
    tessel::PackageHeader fields;
    fields.Magic = {'V', 'P', 'V', 'P'};
    fields.Version = tessel::kVersion;
    fields.DirOffset = static_cast<std::int32_t>(offset);
    fields.EntryCount = static_cast<std::int32_t>(records.size());
    tessel::EncodeHeader(fields, header);
    package.seekp(0);
    package.write(reinterpret_cast<const char*>(header), tessel::kHeaderSize);
    std::printf("%zu records, %d files, %lld data bytes\n", records.size(), written,
                static_cast<long long>(offset));
    return package ? 0 : 1;
}
