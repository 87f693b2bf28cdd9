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
    // "Package: 3,001 files, 46,152,318 bytes"
    void showPackageTotals(const TreeNode* root);
    // Empty when nothing is selected.
    void showSelection(const std::vector<const TreeNode*>& entries);
    // The last result, as rich text with links; empty clears it. Too long for the bar, it
    // is cut with an ellipsis and shown whole as the tooltip.
    void showResult(const QString& richText);
    // A command begins: the last one's result goes, a warning or a note stays.
    void clearResult();
    // A result that stays until another replaces it (what a comparison found).
    void showNote(const QString& text);
    // Names the entries whose data lies outside the file, with their list behind a link.
    void warnAboutDataOutside(const std::vector<QString>& entryPaths);

private:
    void linkClicked(const QString& link);

    QMainWindow* window_;
    QLabel* selection_;
    QLabel* totals_;
    QLabel* packageTotals_;
    QLabel* result_;
    QString outsideDetails_;
    bool warning_ = false;
};

} // namespace tessel::ui
