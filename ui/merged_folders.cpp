#include "merged_folders.h"

#include "entry_name.h"

#include <QIcon>
#include <string_view>
#include <unordered_map>

namespace tessel::ui {

void FillMergedFolders(QStandardItemModel& model, const std::vector<MergedPath>& paths) {
    model.clear();
    const QIcon icon = QIcon::fromTheme("folder", QIcon(":/icons/folder16.png"));
    auto* top = new QStandardItem(icon, "All folders");
    top->setData(QString(), kFolderKeyRole);
    top->setEditable(false);
    model.appendRow(top);
    // The paths come sorted, so that most share the folder of the path before them.
    std::unordered_map<std::string_view, QStandardItem*, FoldedHash, FoldedEqual> folders;
    std::string_view last;
    for (const MergedPath& path : paths) {
        const std::string_view shown = path.winner().file->path;
        const std::size_t end = shown.rfind('/');
        if (end == std::string::npos)
            continue;
        const std::string_view folder(shown.data(), end + 1);
        if (FoldedEqual()(folder, last))
            continue;
        // Each folder not seen before is made below its parent, the outer ones first.
        QStandardItem* parent = top;
        for (std::size_t slash = shown.find('/'); slash != std::string::npos && slash <= end;
             slash = shown.find('/', slash + 1)) {
            const std::string_view prefix(shown.data(), slash + 1);
            auto [at, made] = folders.try_emplace(prefix, nullptr);
            if (made) {
                const std::size_t from = prefix.rfind('/', prefix.size() - 2);
                const std::size_t begin = from == std::string_view::npos ? 0 : from + 1;
                auto* item = new QStandardItem(icon, QString::fromStdString(std::string(
                                                         prefix.substr(begin, prefix.size() - 1 - begin))));
                item->setData(QString::fromStdString(SourceKey(prefix)), kFolderKeyRole);
                item->setEditable(false);
                parent->appendRow(item);
                at->second = item;
            }
            parent = at->second;
        }
        last = folder;
    }
    model.sort(0);
}

} // namespace tessel::ui
