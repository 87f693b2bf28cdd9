// "Find in package": every entry of the whole package whose name matches what is typed,
// with the folder it is in; the one chosen is shown in its folder.
#pragma once

#include "folder_tree.h"

#include <QDialog>
#include <vector>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace tessel::ui {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    FindDialog(const FolderTree& tree, QWidget* parent);

    QLineEdit* FindEdit = nullptr;
    QTreeWidget* Results = nullptr;

    // The entry chosen, after the dialog was accepted.
    const TreeNode* chosen() const;

    // More matches than this are counted, not listed.
    static constexpr int kListedMatches = 5000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search();

    const FolderTree& tree_;
    QLabel* count_ = nullptr;
    std::vector<const TreeNode*> matches_;
};

} // namespace tessel::ui
