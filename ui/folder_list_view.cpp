#include "folder_list_view.h"

#include <QKeyEvent>

namespace tessel::ui {

FolderListView::FolderListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    QTreeView::keyPressEvent(event);
}

} // namespace tessel::ui
