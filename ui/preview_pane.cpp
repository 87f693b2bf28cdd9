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
#include <QPromise>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <malloc.h>

namespace tessel::ui {

namespace {

constexpr int kPreviewTab = 0;
constexpr int kBytesTab = 1;

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
    : QWidget(context.window), context_(context), title_(new QLabel(this)), tabs_(new QTabWidget(this)),
      views_(new QStackedWidget(this)), message_(new QLabel(this)), text_(new TextPreview(this)),
      image_(new ImagePreview(this)), sound_(new SoundPreview(this)), bytes_(new HexView(this)),
      watcher_(new QFutureWatcher<PreviewContent>(this)), trim_(new QTimer(this)) {
    setObjectName("PreviewPane");
    setAccessibleName("Preview");
    title_->setObjectName("PreviewTitle");
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tabs_->setObjectName("PreviewTabs");
    message_->setObjectName("PreviewMessage");
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignCenter);
    views_->addWidget(message_);
    views_->addWidget(text_);
    views_->addWidget(image_);
    views_->addWidget(sound_);
    tabs_->addTab(views_, "Preview");
    tabs_->addTab(bytes_, "Bytes");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 0, 0, 0);
    column->addWidget(title_);
    column->addWidget(tabs_, 1);
    pool_.setMaxThreadCount(1);
    // A text or a picture leaves many blocks freed in the heaps of both threads, which the
    // allocator would keep for good: a pane that has shown a large entry gives them back.
    trim_->setSingleShot(true);
    trim_->setInterval(1000);
    connect(trim_, &QTimer::timeout, this, [] { malloc_trim(0); });
    connect(watcher_, &QFutureWatcher<PreviewContent>::resultReadyAt, this, &PreviewPane::arrived);
    connect(watcher_, &QFutureWatcher<PreviewContent>::finished, this, &PreviewPane::finished);
    connect(text_, &TextPreview::saveRequested, this, [this] { context_.runner.run([this] { save(); }); });
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

PreviewPane::~PreviewPane() {
    watcher_->waitForFinished();
}

void PreviewPane::forget() {
    leave();
    bytes_->clear();
    sound_->clear();
    image_->clear();
    text_->clear();
}

void PreviewPane::leave() {
    ++generation_;
    pending_.reset();
    stayedFor_ = nullptr;
    partial_ = false;
    showsEntry_ = false;
    tree_ = 0;
    node_ = nullptr;
    title_->clear();
    sound_->stop();
    tabs_->setTabEnabled(kBytesTab, false);
    showMessage({});
}

void PreviewPane::showMessage(const QString& text) {
    message_->setText(text);
    message_->setAccessibleName(text);
    views_->setCurrentWidget(message_);
}

QString PreviewPane::message() const {
    return views_->currentWidget() == message_ ? message_->text() : QString();
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
        showMessage(FolderText(node));
        emit shown();
        return;
    }
    showsEntry_ = true;
    const QString name = QString::fromStdString(NameToUtf8(node->text()));
    title_->setText(name + " — " + EntryFacts(node));
    try {
        const EntryBytes entry(context_.package, node);
        bytes_->setEntry(entry);
        tabs_->setTabEnabled(kBytesTab, true);
        pending_ = Request{entry, name, image_->room(), generation_};
        showMessage("Reading…");
        if (!running_)
            launch();
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(error.what()));
        emit shown();
    }
}

void PreviewPane::launch() {
    Request request = std::move(*pending_);
    pending_.reset();
    running_ = true;
    runningGeneration_ = request.generation;
    watcher_->setFuture(
        QtConcurrent::run(&pool_, [request = std::move(request)](QPromise<PreviewContent>& promise) {
            promise.addResult(
                MakePreview(request.entry, request.name, request.room,
                            [&promise](PreviewContent first) { promise.addResult(std::move(first)); }));
        }));
}

void PreviewPane::arrived(int index) {
    if (runningGeneration_ == generation_)
        display(watcher_->resultAt(index));
}

void PreviewPane::finished() {
    running_ = false;
    // The results go with the next preview; the last one shown stays in the views.
    if (pending_)
        launch();
}

void PreviewPane::display(const PreviewContent& content) {
    using Kind = PreviewContent::Kind;
    switch (content.kind) {
    case Kind::Text:
        encoding_ = content.encoding;
        {
            // A package that cannot be written shows its texts without letting them be edited.
            const bool readOnly = !context_.package.readOnlyReason().empty();
            const QString note = readOnly
                                     ? (content.message.isEmpty() ? QString("Read-only package")
                                                                  : content.message + "; read-only package")
                                     : content.message;
            text_->showText(content.text, content.encoding, content.cutShort || content.partial || readOnly,
                            note, partial_);
        }
        views_->setCurrentWidget(text_);
        break;
    case Kind::Image:
        image_->showImage(content.image, content.fitted, content.imageFormat, content.imageDepth);
        views_->setCurrentWidget(image_);
        break;
    case Kind::Sound:
        sound_->showSound(content.sound, content.soundBytes);
        views_->setCurrentWidget(sound_);
        break;
    case Kind::Bytes:
        showMessage("This is no text, picture or sound that the pane knows: the Bytes tab shows it");
        break;
    case Kind::Message:
        showMessage(content.message);
        break;
    }
    tabs_->setCurrentIndex(content.kind == Kind::Bytes ? kBytesTab : kPreviewTab);
    partial_ = content.partial;
    trim_->start();
    emit shown();
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
            bytes_->setEntry(EntryBytes(context_.package, entry));
        }
        return;
    }
    showNode(current);
}

bool PreviewPane::modified() const {
    return showsEntry_ && views_->currentWidget() == text_ && text_->modified();
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
        text_->setSaved();
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
    if (!preview::EncodeText(text_->text().toStdString(), encoding_, bytes)) {
        ShowErrorBox(context_.window,
                     QString("The text holds characters that %1 has no byte for; the text was "
                             "not saved")
                         .arg(preview::EncodingName(encoding_)));
        return false;
    }
    try {
        context_.package.ReplaceEntryBytes(entry, bytes);
    } catch (const std::exception& error) {
        ShowErrorBox(context_.window,
                     QString::fromStdString(error.what()) + ". The text was not saved; it stays in the pane");
        return false;
    }
    text_->setSaved();
    stamp_ = context_.package.stamp();
    bytes_->setEntry(EntryBytes(context_.package, entry));
    title_->setText(QString::fromStdString(NameToUtf8(entry->text())) + " — " + EntryFacts(entry));
    context_.browser.entryChanged(entry);
    context_.refreshStatus();
    return true;
}

} // namespace tessel::ui
