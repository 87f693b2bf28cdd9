#include "status_panels.h"

#include "error_box.h"
#include "folder_list_model.h"
#include "status_texts.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QStringList>
#include <QTextDocumentFragment>
#include <QUrl>

namespace tessel::ui {

namespace {

constexpr int kSelectionPanelWidth = 200;
constexpr int kListedOutside = 20;

// A rich text that is cut, when the bar is too narrow for it, to plain text with an
// ellipsis; the whole text is the tooltip then.
class ResultLabel : public QLabel {
public:
    explicit ResultLabel(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::RichText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(0);
    }
    void showText(const QString& richText) {
        richText_ = richText;
        fit();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit() {
        const QString plain = QTextDocumentFragment::fromHtml(richText_).toPlainText();
        // Before the bar is laid out there is no width to fit into.
        const bool fits = !isVisible() || fontMetrics().horizontalAdvance(plain) <= contentsRect().width();
        setText(
            fits ? richText_
                 : fontMetrics().elidedText(plain, Qt::ElideRight, contentsRect().width()).toHtmlEscaped());
        setToolTip(fits ? QString() : plain);
    }

    QString richText_;
};

} // namespace

StatusPanels::StatusPanels(QMainWindow* window) : QObject(window), window_(window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    selection_ = new QLabel(bar);
    selection_->setObjectName("StatusPanel0");
    selection_->setMinimumWidth(kSelectionPanelWidth);
    // A label's accessible name is its text, which is what a screen reader should read; the
    // description says which panel it is.
    selection_->setAccessibleDescription("Selection: the files and bytes of the selected entries");
    totals_ = new QLabel(bar);
    totals_->setObjectName("StatusPanel1");
    totals_->setAccessibleDescription("Folder totals: the folders, files and bytes of the folder shown");
    packageTotals_ = new QLabel(bar);
    packageTotals_->setObjectName("PackageTotals");
    packageTotals_->setAccessibleDescription("Package totals: the files and bytes of the whole package");
    result_ = new ResultLabel(bar);
    result_->setObjectName("StatusPanel2");
    result_->setAccessibleDescription(
        "Last result: what the last command did, or a warning about the package");
    result_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    result_->setOpenExternalLinks(false);
    for (QLabel* panel : {selection_, totals_, packageTotals_})
        panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(selection_);
    bar->addWidget(totals_);
    bar->addWidget(packageTotals_);
    bar->addWidget(result_, 1);
    connect(result_, &QLabel::linkActivated, this, &StatusPanels::linkClicked);
}

void StatusPanels::showTotals(const TreeNode* folder) {
    if (folder)
        totals_->setText(TotalsText(FolderTally(folder)));
}

void StatusPanels::showPackageTotals(const TreeNode* root) {
    if (!root)
        return packageTotals_->clear();
    const Tally tally = SelectionTally({root});
    packageTotals_->setText(QString("Package: %1 file%2, %3 bytes")
                                .arg(QLocale().toString(tally.files))
                                .arg(tally.files == 1 ? "" : "s")
                                .arg(FolderListModel::SizeText(tally.bytes)));
}

void StatusPanels::showSelection(const std::vector<const TreeNode*>& entries) {
    selection_->setText(SelectionText(SelectionTally(entries), entries.size()));
}

void StatusPanels::showResult(const QString& richText) {
    warning_ = false;
    static_cast<ResultLabel*>(result_)->showText(richText);
}

void StatusPanels::showNote(const QString& text) {
    showResult(text.toHtmlEscaped());
    warning_ = true;
}

void StatusPanels::clearResult() {
    if (!warning_)
        showResult({});
}

void StatusPanels::warnAboutDataOutside(const std::vector<QString>& entryPaths) {
    outsideDetails_.clear();
    if (entryPaths.empty())
        return;
    QStringList names;
    for (std::size_t i = 0; i < entryPaths.size() && i < std::size_t(kListedOutside); ++i)
        names << entryPaths[i];
    outsideDetails_ = QString("The data of these entries lies outside the file; they cannot be extracted or "
                              "opened:\n\n%1")
                          .arg(names.join("\n"));
    if (entryPaths.size() > std::size_t(kListedOutside))
        outsideDetails_ += QString("\n… and %1 more").arg(entryPaths.size() - kListedOutside);
    showResult(QString("<b>Warning:</b> %1 %2 outside the file. <a href=\"outside\">Details</a>")
                   .arg(entryPaths.size())
                   .arg(entryPaths.size() == 1 ? "entry lies" : "entries lie"));
    warning_ = true;
}

void StatusPanels::linkClicked(const QString& link) {
    if (link == "outside") {
        QMessageBox box(QMessageBox::Warning, kApplicationTitle, outsideDetails_, QMessageBox::Ok, window_);
        box.setObjectName("OutsideDataBox");
        box.exec();
        return;
    }
    QDesktopServices::openUrl(QUrl(link));
}

} // namespace tessel::ui
