#include "row_order.h"

#include "vp_format.h"

#include <algorithm>
#include <cstdint>

namespace tessel::ui {

namespace {

enum Rank { kUpRow, kFolder, kUndatedFile, kDatedFile };

Rank RankOf(const ListRow& row) {
    if (row.up)
        return kUpRow;
    if (row.node->isFolder())
        return kFolder;
    return IsDatedFileRow(row) ? kDatedFile : kUndatedFile;
}

// Settles the pairs of rows of different ranks, and keeps the order of the rows that do
// not sort; -2 when both are folders, 2 when both are dated files.
int FrameOrder(const ListRow& a, const ListRow& b) {
    const Rank x = RankOf(a);
    const Rank y = RankOf(b);
    if (x != y)
        return x < y ? -1 : 1;
    if (x == kFolder)
        return -2;
    return x == kDatedFile ? 2 : 0;
}

int Sign(std::int64_t value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int Directed(int outcome, bool reversed) {
    return reversed ? -outcome : outcome;
}

// Letters a to z compare as capitals; every other byte by its 8-bit value.
unsigned char FoldedByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

std::int64_t WholeDays(std::int32_t timestamp) {
    const std::int64_t seconds = timestamp;
    return seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
}

} // namespace

bool IsDatedFileRow(const ListRow& row) {
    return !row.up && row.node->isFile() && row.node->record()->Timestamp > 0;
}

bool IsFolderRow(const ListRow& row) {
    return !row.up && row.node->isFolder();
}

void MeasureFolderRow(ListRow& row) {
    row.bytesInside = 0;
    row.newestInside = 0;
    for (const TreeNode* walk : Subtree(row.node)) {
        if (const EntryRecord* record = walk->record()) {
            row.bytesInside += record->Size;
            row.newestInside = std::max(row.newestInside, record->Timestamp);
        }
    }
}

int CompareByName(const ListRow& a, const ListRow& b, bool reversed) {
    const int frame = FrameOrder(a, b);
    if (frame != 2 && frame != -2)
        return frame;
    const std::string_view x = a.node->text();
    const std::string_view y = b.node->text();
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = int(FoldedByte(x[i])) - int(FoldedByte(y[i]));
        if (difference != 0)
            return Directed(Sign(difference), reversed);
    }
    return Directed(Sign(std::int64_t(x.size()) - std::int64_t(y.size())), reversed);
}

int CompareBySize(const ListRow& a, const ListRow& b, bool reversed) {
    const int frame = FrameOrder(a, b);
    if (frame == -2)
        return Directed(Sign(b.bytesInside - a.bytesInside), reversed);
    if (frame != 2)
        return frame;
    // Larger sizes first.
    return Directed(Sign(std::int64_t(b.node->record()->Size) - a.node->record()->Size), reversed);
}

int CompareByDate(const ListRow& a, const ListRow& b, bool reversed) {
    const int frame = FrameOrder(a, b);
    if (frame == -2)
        return Directed(Sign(WholeDays(b.newestInside) - WholeDays(a.newestInside)), reversed);
    if (frame != 2)
        return frame;
    // Later days first.
    return Directed(Sign(WholeDays(b.node->record()->Timestamp) - WholeDays(a.node->record()->Timestamp)),
                    reversed);
}

} // namespace tessel::ui
