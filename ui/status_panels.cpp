// The status bar: the selection, the totals of the folder shown, and the last result or a
// warning about the package, with links to act on it.
#include "main_window.h"

#include "entry_path.h"
#include "error_box.h"
#include "folder_list_model.h"
#include "status_texts.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

namespace tessel::ui {

void Form1::ShowTotals() {
    if (currentFolder_)
        ui_.StatusPanel1->setText(TotalsText(FolderTally(currentFolder_)));
}

void Form1::SelectionStatistics() {
    const std::vector<const TreeNode*> entries = SelectedEntries();
    ui_.StatusPanel0->setText(SelectionText(SelectionTally(entries), entries.size()));
}

void Form1::ShowResult(const QString& richText) {
    ui_.StatusPanel2->setText(richText);
}

void Form1::ResultLinkClicked(const QString& link) {
    if (link == "outside") {
        QMessageBox box(QMessageBox::Warning, kApplicationTitle, outsideDetails_, QMessageBox::Ok, this);
        box.setObjectName("OutsideDataBox");
        box.exec();
        return;
    }
    QDesktopServices::openUrl(QUrl(link));
}

void Form1::WarnAboutDataOutside() {
    QStringList names;
    for (const TreeNode* node : package_.EntriesOutsideTheFile())
        names << QString::fromStdString(EntryPath(node));
    outsideDetails_.clear();
    if (names.isEmpty())
        return;
    outsideDetails_ = QString("The data of these entries lies outside the file; they cannot be extracted or "
                              "opened:\n\n%1")
                          .arg(names.mid(0, 20).join("\n"));
    if (names.size() > 20)
        outsideDetails_ += QString("\n… and %1 more").arg(names.size() - 20);
    ShowResult(QString("<b>Warning:</b> %1 %2 outside the file. <a href=\"outside\">Details</a>")
                   .arg(names.size())
                   .arg(names.size() == 1 ? "entry lies" : "entries lie"));
}

} // namespace tessel::ui
