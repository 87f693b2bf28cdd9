#include "preview_views.h"

#include "hex_view.h"
#include "image_preview.h"
#include "sound_preview.h"
#include "text_preview.h"

#include <QLabel>
#include <QPromise>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <malloc.h>

namespace tessel::ui {

namespace {
constexpr int kPreviewTab = 0;
constexpr int kBytesTab = 1;
} // namespace

PreviewViews::PreviewViews(QWidget* parent)
    : QWidget(parent), tabs_(new QTabWidget(this)), views_(new QStackedWidget(this)),
      message_(new QLabel(this)), text_(new TextPreview(this)), image_(new ImagePreview(this)),
      sound_(new SoundPreview(this)), bytes_(new HexView(this)),
      watcher_(new QFutureWatcher<PreviewContent>(this)), trim_(new QTimer(this)) {
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
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(tabs_);
    pool_.setMaxThreadCount(1);
    // A text or a picture leaves many blocks freed in the heaps of both threads, which the
    // allocator would keep for good: views that have shown a large entry give them back.
    trim_->setSingleShot(true);
    trim_->setInterval(1000);
    connect(trim_, &QTimer::timeout, this, [] { malloc_trim(0); });
    connect(watcher_, &QFutureWatcher<PreviewContent>::resultReadyAt, this, &PreviewViews::arrived);
    connect(watcher_, &QFutureWatcher<PreviewContent>::finished, this, &PreviewViews::finished);
    leave();
}

PreviewViews::~PreviewViews() {
    watcher_->waitForFinished();
}

void PreviewViews::leave() {
    ++generation_;
    pending_.reset();
    partial_ = false;
    sound_->stop();
    tabs_->setTabEnabled(kBytesTab, false);
    showMessage({});
}

void PreviewViews::clear() {
    leave();
    bytes_->clear();
    sound_->clear();
    image_->clear();
    text_->clear();
}

void PreviewViews::showMessage(const QString& text) {
    message_->setText(text);
    message_->setAccessibleName(text);
    views_->setCurrentWidget(message_);
}

QString PreviewViews::message() const {
    return views_->currentWidget() == message_ ? message_->text() : QString();
}

bool PreviewViews::showsText() const {
    return views_->currentWidget() == text_;
}

void PreviewViews::setBytes(const EntryBytes& entry) {
    bytes_->setEntry(entry);
    tabs_->setTabEnabled(kBytesTab, true);
}

void PreviewViews::showEntry(const EntryBytes& entry, const QString& name, const QString& readOnlyNote) {
    setBytes(entry);
    pending_ = Request{entry, name, image_->room(), readOnlyNote, generation_};
    showMessage("Reading…");
    if (!running_)
        launch();
}

void PreviewViews::launch() {
    Request request = std::move(*pending_);
    pending_.reset();
    running_ = true;
    runningGeneration_ = request.generation;
    runningNote_ = request.readOnlyNote;
    watcher_->setFuture(
        QtConcurrent::run(&pool_, [request = std::move(request)](QPromise<PreviewContent>& promise) {
            promise.addResult(
                MakePreview(request.entry, request.name, request.room,
                            [&promise](PreviewContent first) { promise.addResult(std::move(first)); }));
        }));
}

void PreviewViews::arrived(int index) {
    if (runningGeneration_ == generation_)
        display(watcher_->resultAt(index), runningNote_);
}

void PreviewViews::finished() {
    running_ = false;
    // The results go with the next preview; the last one shown stays in the views.
    if (pending_)
        launch();
}

void PreviewViews::display(const PreviewContent& content, const QString& readOnlyNote) {
    using Kind = PreviewContent::Kind;
    switch (content.kind) {
    case Kind::Text: {
        encoding_ = content.encoding;
        const bool readOnly = !readOnlyNote.isEmpty();
        const QString note = !readOnly                   ? content.message
                             : content.message.isEmpty() ? readOnlyNote
                                                         : content.message + "; " + readOnlyNote.toLower();
        text_->showText(content.text, content.encoding, content.cutShort || content.partial || readOnly, note,
                        partial_);
        views_->setCurrentWidget(text_);
        break;
    }
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

} // namespace tessel::ui
