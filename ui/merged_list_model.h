// The rows of the merged view: every path of the merged tree of several packages and
// folders, with its size, the source it comes from and the sources it shadows; narrowed
// to one folder and what is below it, filtered to the paths several sources hold or to
// those whose shadowed copies differ, and sorted by a column.
#pragma once

#include "source_comparison.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

namespace tessel::ui {

class MergedListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { PathColumn, SizeColumn, FromColumn, ShadowsColumn, ColumnCount };
    enum class Filter { All, Conflicts, Differing };

    explicit MergedListModel(QObject* parent = nullptr);

    // The merged tree and the names of its sources, in the order of precedence; whether the
    // shadowed copies are the same comes later, with setSameness.
    void showMerged(std::vector<MergedPath> paths, QStringList sourceNames);
    void setSameness(const std::vector<char>& same);
    const std::vector<MergedPath>& paths() const { return paths_; }
    bool compared() const { return compared_; }
    void setFilter(Filter filter);
    // Only the paths below the folder, given by its key with a "/" at its end; empty for all.
    void setFolder(const std::string& folderKey);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    const MergedPath& pathAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void refill();
    void sortShown();
    QString shadows(const MergedPath& path) const;

    std::vector<MergedPath> paths_;
    QStringList sources_;
    Filter filter_ = Filter::All;
    bool compared_ = false;
    std::string folder_;
    // The sort in force, put on every row set shown; paths in order when none is.
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<int> shown_;
};

} // namespace tessel::ui
