// The views that show one entry's preview (text, picture, sound, a message) and its bytes,
// with the previews made off the window's thread, one at a time: one no longer wanted when
// it arrives is dropped, and only the latest of those asked for meanwhile is made next, so
// that moving through a list never waits for a preview.
#pragma once

#include "entry_bytes.h"
#include "preview_content.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QWidget>
#include <optional>

class QLabel;
class QTimer;
class QStackedWidget;
class QTabWidget;

namespace tessel::ui {

class HexView;
class ImagePreview;
class SoundPreview;
class TextPreview;

class PreviewViews : public QWidget {
    Q_OBJECT
public:
    explicit PreviewViews(QWidget* parent);
    ~PreviewViews() override;

    // Starts the entry's preview; a text shows read-only with the note when it is not empty.
    void showEntry(const EntryBytes& entry, const QString& name, const QString& readOnlyNote);
    // The entry's bytes changed: the Bytes tab reads them anew, the preview stays.
    void setBytes(const EntryBytes& entry);
    void showMessage(const QString& text);
    // Drops any preview under way or asked for, keeping what the views hold.
    void leave();
    // Empties every view as well.
    void clear();

    // Whether a preview is being made.
    bool loading() const { return running_ || pending_.has_value(); }
    // Whether the text shown is only the first part of the entry's.
    bool partial() const { return partial_; }
    bool showsText() const;
    preview::TextEncoding encoding() const { return encoding_; }
    // What the Preview tab says when it shows no view of its own.
    QString message() const;

    TextPreview* textView() const { return text_; }
    ImagePreview* imageView() const { return image_; }
    SoundPreview* soundView() const { return sound_; }
    HexView* bytesView() const { return bytes_; }
    QTabWidget* tabs() const { return tabs_; }

signals:
    // A preview arrived and is on screen (a long text's first screens, then the whole).
    void shown();

private:
    struct Request {
        EntryBytes entry;
        QString name;
        QSize room;
        QString readOnlyNote;
        std::uint64_t generation = 0;
    };
    void launch();
    void arrived(int index);
    void finished();
    void display(const PreviewContent& content, const QString& readOnlyNote);

    QTabWidget* tabs_;
    QStackedWidget* views_;
    QLabel* message_;
    TextPreview* text_;
    ImagePreview* image_;
    SoundPreview* sound_;
    HexView* bytes_;
    QFutureWatcher<PreviewContent>* watcher_;
    // Previews are made one at a time, on a thread of their own.
    QThreadPool pool_;
    // A while after the last preview, the memory the ones before it freed goes back.
    QTimer* trim_;
    bool partial_ = false;
    preview::TextEncoding encoding_ = preview::TextEncoding::Utf8;
    QString runningNote_;
    std::uint64_t generation_ = 0;
    std::uint64_t runningGeneration_ = 0;
    bool running_ = false;
    std::optional<Request> pending_;
};

} // namespace tessel::ui
