// Drags file paths out of the window, offering only a move. The entries are written at
// the moment the user releases the button over a target that answered with a move, before
// that target reads the paths: a file manager reads the list while hovering, and the
// files must not exist before the drop.
#pragma once

#include <QObject>
#include <QStringList>
#include <exception>
#include <functional>

class QWidget;

namespace tessel::ui {

class DropFileSource : public QObject {
public:
    // The absolute paths that the drag carries.
    QStringList Files;
    // Runs at the release over a target whose last answer was a move. An error it raises
    // cancels the drop and is raised again once the drag is over; RunCancelled only
    // cancels the drop.
    std::function<void()> Drop;
    // Runs once the drag is over, whatever its result.
    std::function<void(Qt::DropAction result)> AfterDrop;

    // Runs the drag from the widget and returns its result once it is over.
    Qt::DropAction execute(QWidget* dragSource);

    // What happens at the release and once the drag is over; public so that tests can
    // drive them without a drag.
    void released();
    void finished(Qt::DropAction result);
    void answered(Qt::DropAction action) { lastAnswer_ = action; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Qt::DropAction lastAnswer_ = Qt::IgnoreAction;
    bool released_ = false;
    std::exception_ptr error_;
};

} // namespace tessel::ui
