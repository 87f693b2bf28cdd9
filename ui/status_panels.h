// The status bar: the selection, the totals of the folder shown, and the last result or a
// warning about the package, with links to act on it.
#pragma once

#include "folder_tree.h"

#include <QObject>
#include <QString>
#include <vector>

class QLabel;
class QMainWindow;

namespace tessel::ui {

class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QMainWindow* window);

    void showTotals(const TreeNode* folder);
    // Empty when nothing is selected.
    void showSelection(const std::vector<const TreeNode*>& entries);
    // The last result, as rich text with links; empty clears it.
    void showResult(const QString& richText);
    // Names the entries whose data lies outside the file, with their list behind a link.
    void warnAboutDataOutside(const std::vector<QString>& entryPaths);

private:
    void linkClicked(const QString& link);

    QMainWindow* window_;
    QLabel* selection_;
    QLabel* totals_;
    QLabel* result_;
    QString outsideDetails_;
};

} // namespace tessel::ui
