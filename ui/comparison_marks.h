// The open package against another package or folder: which rows were added (only here),
// changed (other bytes here), or are the same, and how many of each, with those only there.
#pragma once

#include "folder_tree.h"
#include "package.h"

#include <QString>
#include <string>
#include <unordered_map>

namespace tessel::ui {

struct ComparisonMarks {
    enum Mark { Same, Added, Changed };

    // Compares the open package with the other package or folder (read, never written).
    static ComparisonMarks Make(const Package& package, const std::string& other);

    // A folder is changed when anything inside it differs.
    Mark markOf(const TreeNode* node) const;
    // "Compared with base.vp: 3 added, 5 changed, 2 only in base.vp, 990 the same"
    QString summary() const;

    QString against;
    long added = 0, changed = 0, removed = 0, same = 0;

private:
    std::unordered_map<const TreeNode*, Mark> marks_;
};

} // namespace tessel::ui
