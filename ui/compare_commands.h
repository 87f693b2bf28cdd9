// File > Compare With: the open package against another package or a folder, its rows
// marked added, changed or the same, a filter for the differences, and the counts in the
// status bar until the comparison ends (another package, an edit, or End Comparison).
#pragma once

#include "window_context.h"

#include <QObject>

namespace tessel::ui {

class CompareCommands : public QObject {
    Q_OBJECT
public:
    explicit CompareCommands(const WindowContext& context);

    void compareWithPackage();
    void compareWithFolder();
    // Compares with the package or folder at the path.
    void compareWith(const QString& path);
    void end();

signals:
    // A comparison began (true) or ended (false).
    void comparing(bool on);

private:
    WindowContext context_;
};

} // namespace tessel::ui
