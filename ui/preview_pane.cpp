#include "preview_pane.h"

#include "choice_box.h"
#include "entry_path.h"
#include "error_box.h"
#include "folder_list_model.h"
#include "hex_view.h"
#include "image_preview.h"
#include "name_text.h"
#include "sound_preview.h"
#include "status_texts.h"
#include "text_preview.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

namespace tessel::ui {

namespace {

QString FolderText(const TreeNode* folder) {
    const Tally own = FolderTally(folder);
    const Tally all = SelectionTally({folder});
    return QString("\"%1\" holds %2 folders and %3 files; with everything inside them, %4 files of %5 Bytes")
        .arg(QString::fromStdString(folder->parent() ? NameToUtf8(folder->text()) : std::string("/")))
        .arg(own.folders)
        .arg(own.files)
        .arg(all.files)
        .arg(FolderListModel::SizeText(all.bytes));
}

} // namespace

PreviewPane::PreviewPane(const WindowContext& context)
    : QWidget(context.window), context_(context), title_(new QLabel(this)), views_(new PreviewViews(this)) {
    setObjectName("PreviewPane");
    setAccessibleName("Preview");
    title_->setObjectName("PreviewTitle");
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 0, 0, 0);
    column->addWidget(title_);
    column->addWidget(views_, 1);
    connect(views_, &PreviewViews::shown, this, &PreviewPane::shown);
    connect(textView(), &TextPreview::saveRequested, this,
            [this] { context_.runner.run([this] { save(); }); });
    forget();
    follow();
}

void PreviewPane::follow() {
    FolderBrowser& browser = context_.browser;
    browser.setLeaveCheck([this] { return mayLeave(); });
    context_.runner.setAfterCommand([this, &browser] {
        if (!isHidden())
            packageMayHaveChanged(browser.currentNode());
    });
    auto follow = [this, &browser] {
        const TreeNode* wanted = browser.currentNode();
        if (isHidden() || wanted == shownNode() || wanted == stayedFor_ || staying_)
            return;
        // Text being edited stays in the pane unless the user lets it go: asked once for the
        // row the user went to, and once for one step of the user's (a deletion moves the
        // current row and the selection one after the other).
        if (!mayLeave()) {
            stayedFor_ = wanted;
            staying_ = true;
            QTimer::singleShot(0, this, [this] { staying_ = false; });
            return;
        }
        showNode(wanted);
    };
    connect(&browser, &FolderBrowser::currentRowChanged, this, follow);
    connect(&browser, &FolderBrowser::selectionChanged, this, follow);
}

bool PreviewPane::setShown(bool shown) {
    if (!shown && !mayLeave())
        return false;
    setVisible(shown);
    if (shown)
        showNode(context_.browser.currentNode());
    else
        forget();
    return true;
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::forget() {
    leave();
    views_->clear();
}

void PreviewPane::leave() {
    views_->leave();
    stayedFor_ = nullptr;
    showsEntry_ = false;
    tree_ = 0;
    node_ = nullptr;
    title_->clear();
}

void PreviewPane::showNode(const TreeNode* node) {
    if (node && node == shownNode() && context_.package.stamp() == stamp_)
        return;
    // Moving from file to file keeps the views until the next preview takes their place:
    // emptying them first would cost each keystroke twice.
    if (!node || node->isFolder())
        forget();
    else
        leave();
    if (!node)
        return;
    tree_ = context_.package.tree().identity();
    serial_ = node->serial();
    node_ = node;
    stamp_ = context_.package.stamp();
    if (node->isFolder()) {
        title_->setText(node->parent() ? QString::fromStdString(EntryPath(node)) : QString("/"));
        views_->showMessage(FolderText(node));
        emit shown();
        return;
    }
    showsEntry_ = true;
    const QString name = QString::fromStdString(NameToUtf8(node->text()));
    title_->setText(name + " — " + EntryFacts(node));
    try {
        // A package that cannot be written shows its texts without letting them be edited.
        const bool readOnly = !context_.package.readOnlyReason().empty();
        views_->showEntry(EntryBytes(context_.package, node), name,
                          readOnly ? "Read-only package" : QString());
    } catch (const std::exception& error) {
        views_->showMessage(QString::fromStdString(error.what()));
        emit shown();
    }
}

const TreeNode* PreviewPane::shownNode() const {
    return node_;
}

void PreviewPane::findShownNodeAgain() {
    const FolderTree& tree = context_.package.tree();
    node_ = tree_ == 0 || tree.empty() || tree.identity() != tree_ ? nullptr : tree.find(serial_);
}

const TreeNode* PreviewPane::shownEntry() const {
    const TreeNode* node = showsEntry_ ? shownNode() : nullptr;
    return node && node->isFile() ? node : nullptr;
}

void PreviewPane::packageMayHaveChanged(const TreeNode* current) {
    // A command may have removed the node or read the tree anew.
    findShownNodeAgain();
    if (modified()) {
        // The text stays; the bytes tab reads the package as it is now.
        if (const TreeNode* entry = shownEntry()) {
            stamp_ = context_.package.stamp();
            views_->setBytes(EntryBytes(context_.package, entry));
        }
        return;
    }
    showNode(current);
}

bool PreviewPane::modified() const {
    return showsEntry_ && views_->showsText() && textView()->modified();
}

bool PreviewPane::mayLeave() {
    if (!modified())
        return true;
    const Choice choice =
        Ask(context_.window, {"SaveTextBox",
                              kApplicationTitle,
                              "The text in the preview was changed. Save it into the package?",
                              QString(),
                              {"Save", "Discard", "Cancel"},
                              QString()});
    if (choice.button == 2)
        return false;
    if (choice.button == 1) {
        textView()->setSaved();
        return true;
    }
    return save();
}

bool PreviewPane::save() {
    findShownNodeAgain();
    const TreeNode* entry = shownEntry();
    if (!entry) {
        ShowErrorBox(context_.window, "The entry is no longer in the package; the text was not saved");
        return false;
    }
    std::string bytes;
    const preview::TextEncoding encoding = views_->encoding();
    if (!preview::EncodeText(textView()->text().toStdString(), encoding, bytes)) {
        ShowErrorBox(context_.window,
                     QString("The text holds characters that %1 has no byte for; the text was "
                             "not saved")
                         .arg(preview::EncodingName(encoding)));
        return false;
    }
    try {
        context_.package.ReplaceEntryBytes(entry, bytes);
    } catch (const std::exception& error) {
        ShowErrorBox(context_.window,
                     QString::fromStdString(error.what()) + ". The text was not saved; it stays in the pane");
        return false;
    }
    textView()->setSaved();
    stamp_ = context_.package.stamp();
    views_->setBytes(EntryBytes(context_.package, entry));
    title_->setText(QString::fromStdString(NameToUtf8(entry->text())) + " — " + EntryFacts(entry));
    context_.browser.entryChanged(entry);
    context_.refreshStatus();
    return true;
}

} // namespace tessel::ui
