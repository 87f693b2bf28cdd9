// The folder list as a report-style view with the keys of a file manager (Enter opens the
// current row as a double-click would, Backspace and Alt+Up go to the parent folder), the
// start of a drag of the selected rows with either button, and drops of files from the
// desktop, taken as a copy only.
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>
#include <QTreeView>

namespace tessel::ui {

class FolderListView : public QTreeView {
    Q_OBJECT
public:
    explicit FolderListView(QWidget* parent = nullptr);

    // A drag starts with the first move outside the drag distance that comes at least this
    // long after the press.
    static constexpr int kDragDelayMs = 200;

signals:
    void rowEntered(const QModelIndex& index);
    void parentRequested();
    // The pointer left the drag rectangle of a press on the selection: a drag begins.
    void dragRequested();
    // Local files and folders dropped on the list, in the order the source listed them.
    void filesDropped(const QStringList& paths);
    // The pop-up menu is asked for at a point of the viewport.
    void menuRequested(const QPoint& at);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void endDetection();
    void scrollTowardsEdge();

    bool detecting_ = false;
    QPoint pressAt_;
    QElapsedTimer sincePress_;
    bool dragged_ = false;
    QTimer edgeScroll_;
    QPoint dragAt_;
};

} // namespace tessel::ui
