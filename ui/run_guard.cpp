#include "run_guard.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace tessel::ui {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

RunGuard::RunGuard(QWidget* window, bool& busy) : window_(window), busy_(busy), wasBusy_(busy) {
    busy_ = true;
    qApp->installEventFilter(this);
}

RunGuard::~RunGuard() {
    qApp->removeEventFilter(this);
    busy_ = wasBusy_;
}

bool RunGuard::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()))
        return false;
    bool ours = false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        ours = widget->window() == window_;
    else if (auto* action = qobject_cast<QAction*>(watched))
        ours = action->parent() == window_;
    if (ours)
        event->ignore(); // a refused close keeps the window open
    return ours;
}

} // namespace tessel::ui
