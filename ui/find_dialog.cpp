#include "find_dialog.h"

#include "entry_path.h"
#include "name_filter.h"
#include "name_text.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tessel::ui {

FindDialog::FindDialog(const FolderTree& tree, QWidget* parent) : QDialog(parent), tree_(tree) {
    setObjectName("FindDialog");
    setWindowTitle("Find in package");
    resize(560, 420);
    auto* label = new QLabel("&Names holding, or matching (* and ?):", this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    FindEdit->setAccessibleName("Find");
    FindEdit->setAccessibleDescription("Part of a name, or a pattern with * and ?, ignoring case");
    label->setBuddy(FindEdit);
    Results = new QTreeWidget(this);
    Results->setObjectName("FindResults");
    Results->setAccessibleName("Entries found");
    Results->setRootIsDecorated(false);
    Results->setUniformRowHeights(true);
    Results->setHeaderLabels({"Name", "Folder"});
    Results->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    count_ = new QLabel(this);
    count_->setObjectName("FindCount");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Open)->setText("Show");
    buttons->button(QDialogButtonBox::Open)->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(FindEdit);
    layout->addWidget(Results);
    layout->addWidget(count_);
    layout->addWidget(buttons);
    connect(FindEdit, &QLineEdit::textChanged, this, &FindDialog::search);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (chosen())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Results, &QTreeWidget::itemActivated, this, [this] { accept(); });
    FindEdit->installEventFilter(this);
}

bool FindDialog::eventFilter(QObject* watched, QEvent* event) {
    // The arrows move through the entries found while the typing goes on.
    if (watched == FindEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(Results, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

const TreeNode* FindDialog::chosen() const {
    const int row = Results->indexOfTopLevelItem(Results->currentItem());
    return row >= 0 && std::size_t(row) < matches_.size() ? matches_[std::size_t(row)] : nullptr;
}

void FindDialog::search() {
    Results->clear();
    matches_.clear();
    const NameFilter filter(FindEdit->text());
    if (filter.empty() || tree_.empty()) {
        count_->clear();
        return;
    }
    int found = 0;
    QList<QTreeWidgetItem*> items;
    WalkWithPaths(tree_.root(), [&](const TreeNode* node, const FolderPath& folders) {
        if (!filter.matches(node->text()) || ++found > kListedMatches)
            return;
        matches_.push_back(node);
        const QString name = QString::fromStdString(NameToUtf8(node->text())) + (node->isFolder() ? "/" : "");
        const QString folder = QString::fromStdString(folders.text());
        items << new QTreeWidgetItem(QStringList{name, folder.isEmpty() ? "/" : folder});
    });
    Results->addTopLevelItems(items);
    if (!items.isEmpty())
        Results->setCurrentItem(items.front());
    count_->setText(found > kListedMatches
                        ? QString("%1 entries found; the first %2 are listed").arg(found).arg(kListedMatches)
                        : QString("%1 %2 found").arg(found).arg(found == 1 ? "entry" : "entries"));
}

} // namespace tessel::ui
