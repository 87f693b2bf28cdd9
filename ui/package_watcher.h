// Notices a package changed on disk by another program while it is open, and offers, in a
// bar above the list, to read it anew. The window's own edits leave the package as its
// stamp says and raise nothing.
#pragma once

#include "package.h"

#include <QTimer>
#include <QWidget>

class QFileSystemWatcher;
class QLabel;

namespace tessel::ui {

class PackageWatcher : public QWidget {
    Q_OBJECT
public:
    PackageWatcher(const Package& package, QWidget* parent);

    // Watches the package open now; the bar goes.
    void watchOpenPackage();
    // Looks at the file now instead of after the pause that gathers a burst of changes.
    void checkNow();

signals:
    void reloadRequested();

private:
    const Package& package_;
    QFileSystemWatcher* watcher_;
    QLabel* text_;
    QTimer pause_;
};

} // namespace tessel::ui
