// The rows of the folder list: a way-up row, folder rows and file rows, each standing for
// a node of the folder tree. Texts are made on demand from the nodes, so that a folder of
// a hundred thousand files costs one pointer per row.
#pragma once

#include "comparison_marks.h"
#include "entry_types.h"
#include "folder_tree.h"
#include "name_filter.h"
#include "row_order.h"

#include <QAbstractTableModel>
#include <vector>

namespace tessel::ui {

class FolderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The Compared column shows only while the package is compared with another.
    enum Column { NameColumn, SizeColumn, TypeColumn, ModifiedColumn, ComparedColumn, ColumnCount };

    explicit FolderListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Replaces all rows with those of the folder that the filter keeps (the way-up row
    // always); with onlyDifferences, of those the comparison does not find the same.
    void FillFolderList(const TreeNode* folder, const NameFilter& filter = {}, bool onlyDifferences = false);
    // Marks the rows against another package; null ends the comparison.
    void setComparison(const ComparisonMarks* comparison);
    void clear();

    const TreeNode* nodeAt(int row) const;
    bool isUpRow(int row) const;
    // A file row whose record carries a date.
    bool isDatedFileRow(int row) const;
    // The row that stands for the node, or -1.
    int rowOf(const TreeNode* node) const;

    // Row operations for the commands that patch the list instead of rebuilding it.
    void appendRow(const TreeNode* node);
    void insertRowAt(int row, const TreeNode* node);
    void removeRowAt(int row);
    // The node's text or record changed: its row shows it anew.
    void refreshRow(int row);
    // Reorders the rows by the comparison; selections and current rows move with them.
    void sortRows(RowComparison compare, bool reversed);
    // Moves one row of rows otherwise in that order to its place among them; returns it.
    int moveToSortedPlace(int row, RowComparison compare, bool reversed);

    // Where the Type column learns what an entry is when its name does not say.
    void setHeadReader(EntryTypes::HeadReader reader) { types_.setHeadReader(std::move(reader)); }
    // The folder rows' sizes anew, after an edit changed what they hold.
    void remeasureFolders();

    static QString SizeText(qint64 size);
    static QString ModifiedText(qint32 timestamp);
    static QString NameText(std::string_view bytes);

private:
    QString text(const ListRow& row, int column) const;

    std::vector<ListRow> rows_;
    const ComparisonMarks* comparison_ = nullptr;
    // Filled as rows are painted; mutable because painting only reads the rows.
    mutable EntryTypes types_;
};

} // namespace tessel::ui
