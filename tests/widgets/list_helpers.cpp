#include "list_helpers.h"

#include "entry_path.h"
#include "package.h"
#include "package_builder.h"

#include "main_window.h"
#include "window_parts.h"

namespace tessel::testing {

QStringList ColumnTexts(ui::Form1& window, int column) {
    QStringList texts;
    auto* model = WindowParts(window).ListView1->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

QStringList Reloaded(const std::string& path) {
    tessel::Package package;
    package.LoadPackage(path);
    const tessel::FolderTree& tree = package.tree();
    const std::string bytes = tessel::testing::ReadFileBytes(path);
    QStringList entries;
    for (const tessel::TreeNode* node = tree.root()->next(); node; node = node->next()) {
        QString line = QString::fromStdString(tessel::EntryPath(node));
        if (const tessel::EntryRecord* record = node->record())
            line += "=" + QString::fromStdString(
                              bytes.substr(std::size_t(record->Offset), std::size_t(record->Size)));
        entries << line;
    }
    return entries;
}

QStringList RowNames(ui::Form1& window) {
    return ColumnTexts(window, 0);
}

void SelectRows(ui::Form1& window, std::initializer_list<int> rows) {
    SelectRows(window, std::vector<int>(rows));
}

void SelectRows(ui::Form1& window, const std::vector<int>& rows) {
    auto* selection = WindowParts(window).ListView1->selectionModel();
    selection->clearSelection();
    for (const int row : rows)
        selection->select(WindowParts(window).ListView1->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QPoint RowCenter(ui::Form1& window, int row) {
    return WindowParts(window)
        .ListView1->visualRect(WindowParts(window).ListView1->model()->index(row, 0))
        .center();
}

} // namespace tessel::testing
