// The folder list as a report-style view with the keys of a file manager: Enter opens the
// current row as a double-click would, Backspace and Alt+Up go to the parent folder.
#pragma once

#include <QTreeView>

namespace tessel::ui {

class FolderListView : public QTreeView {
    Q_OBJECT
public:
    explicit FolderListView(QWidget* parent = nullptr);

signals:
    void rowEntered(const QModelIndex& index);
    void parentRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tessel::ui
