#include "folder_list_view.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>

namespace tessel::ui {

namespace {

constexpr int kEdgeZone = 16;
constexpr int kEdgeScrollMs = 60;

// Drops are taken only as a copy, and only when the source offers one.
bool AcceptsDrop(const QDropEvent* event) {
    return (event->possibleActions() & Qt::CopyAction) && event->mimeData()->hasFormat("text/uri-list");
}

} // namespace

FolderListView::FolderListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false); // drags of the selection start here, not in the view
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    // A right press may start a drag, so the menu comes with the release.
    setContextMenuPolicy(Qt::PreventContextMenu);
    edgeScroll_.setInterval(kEdgeScrollMs);
    connect(&edgeScroll_, &QTimer::timeout, this, &FolderListView::scrollTowardsEdge);
}

void FolderListView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool back = event->key() == Qt::Key_Backspace ||
                      (event->key() == Qt::Key_Up && event->modifiers() == Qt::AltModifier);
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentIndex().isValid()) {
        emit rowEntered(currentIndex());
        return;
    }
    if (back) {
        emit parentRequested();
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        const QRect current = visualRect(currentIndex());
        emit menuRequested(current.isValid() ? current.center() : QPoint(0, 0));
        return;
    }
    if (event->key() == Qt::Key_Escape)
        endDetection();
    QTreeView::keyPressEvent(event);
}

void FolderListView::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    dragged_ = false;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (event->button() == Qt::RightButton) {
        // Like a file manager: a right press on an unselected row selects it.
        const QModelIndex under = indexAt(event->position().toPoint());
        if (under.isValid() && !selectionModel()->isSelected(under))
            setCurrentIndex(under);
    }
    if (!selectionModel()->hasSelection())
        return;
    detecting_ = true;
    pressAt_ = event->position().toPoint();
    sincePress_.start();
}

void FolderListView::mouseMoveEvent(QMouseEvent* event) {
    if (detecting_) {
        const QPoint at = event->position().toPoint();
        const int dx = QApplication::startDragDistance();
        const QRect still(pressAt_ - QPoint(dx, dx), pressAt_ + QPoint(dx, dx));
        if (!(event->buttons() & (Qt::LeftButton | Qt::RightButton))) {
            endDetection();
        } else if (!still.contains(at) && sincePress_.elapsed() >= kDragDelayMs) {
            endDetection();
            dragged_ = true;
            emit dragRequested();
            return;
        }
        // While a drag may still begin, the press does not sweep a selection.
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void FolderListView::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasRightClick = event->button() == Qt::RightButton && !dragged_;
    endDetection();
    QTreeView::mouseReleaseEvent(event);
    if (wasRightClick)
        emit menuRequested(event->position().toPoint());
}

void FolderListView::focusOutEvent(QFocusEvent* event) {
    endDetection();
    QTreeView::focusOutEvent(event);
}

void FolderListView::endDetection() {
    detecting_ = false;
}

void FolderListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!AcceptsDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FolderListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!AcceptsDrop(event)) {
        event->ignore();
        edgeScroll_.stop();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    dragAt_ = event->position().toPoint();
    const int height = viewport()->height();
    if (dragAt_.y() < kEdgeZone || dragAt_.y() > height - kEdgeZone) {
        if (!edgeScroll_.isActive())
            edgeScroll_.start();
    } else {
        edgeScroll_.stop();
    }
}

void FolderListView::dragLeaveEvent(QDragLeaveEvent* event) {
    edgeScroll_.stop();
    event->accept();
}

void FolderListView::scrollTowardsEdge() {
    QScrollBar* bar = verticalScrollBar();
    if (dragAt_.y() < kEdgeZone)
        bar->setValue(bar->value() - 1);
    else
        bar->setValue(bar->value() + 1);
    if (bar->value() == bar->minimum() || bar->value() == bar->maximum())
        edgeScroll_.stop();
}

void FolderListView::dropEvent(QDropEvent* event) {
    edgeScroll_.stop();
    if (!AcceptsDrop(event)) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}

} // namespace tessel::ui
