#include "comparison_marks.h"

#include "entry_path.h"
#include "source_comparison.h"

#include <QFileInfo>
#include <QLocale>

namespace tessel::ui {

ComparisonMarks ComparisonMarks::Make(const Package& package, const std::string& other) {
    ComparisonMarks comparison;
    comparison.against = QFileInfo(QString::fromStdString(other)).fileName();
    const FileSource here = FileSource::Open(package.path());
    const FileSource there = FileSource::Open(other, SourceFiles::Walked);
    long files = static_cast<long>(here.files().size());
    for (const EntryChange& change : CompareSources(there, here, false)) {
        if (change.kind == EntryChange::Removed) {
            ++comparison.removed;
            continue;
        }
        const TreeNode* node = FindEntry(package.tree(), change.path);
        if (!node)
            continue;
        const Mark mark = change.kind == EntryChange::Added ? Added : Changed;
        ++(mark == Added ? comparison.added : comparison.changed);
        comparison.marks_[node] = mark;
        for (const TreeNode* folder = node->parent(); folder; folder = folder->parent())
            comparison.marks_[folder] = Changed;
    }
    comparison.same = files - comparison.added - comparison.changed;
    return comparison;
}

ComparisonMarks::Mark ComparisonMarks::markOf(const TreeNode* node) const {
    const auto found = marks_.find(node);
    return found == marks_.end() ? Same : found->second;
}

QString ComparisonMarks::summary() const {
    const QLocale locale;
    return QString("Compared with %1: %2 added, %3 changed, %4 only in %1, %5 the same")
        .arg(against, locale.toString(qlonglong(added)), locale.toString(qlonglong(changed)),
             locale.toString(qlonglong(removed)), locale.toString(qlonglong(same)));
}

} // namespace tessel::ui
