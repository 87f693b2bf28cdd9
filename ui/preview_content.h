// What the preview pane shows for an entry, made off the window's thread from the entry's
// bytes: which view suits it and what that view needs.
#pragma once

#include "entry_bytes.h"
#include "sound_info.h"
#include "text_kind.h"

#include <QByteArray>
#include <QImage>
#include <QSharedPointer>
#include <QSize>
#include <QString>
#include <QTextDocument>
#include <functional>

namespace tessel::ui {

// Text previews hold at most this many bytes of the entry.
inline constexpr std::int64_t kLargestTextPreview = std::int64_t(8) << 20;

struct PreviewContent {
    enum class Kind { Text, Image, Sound, Bytes, Message };
    Kind kind = Kind::Bytes;
    // What stops the view, or a note beside it (the first 8 MiB only): for the user.
    QString message;

    // Laid out for a plain text editor where it was made, and handed to the window's thread:
    // the window only shows it.
    QSharedPointer<QTextDocument> text;
    preview::TextEncoding encoding = preview::TextEncoding::Utf8;
    // Only the first bytes are in the text: it may not be saved.
    bool cutShort = false;
    // The text's first screens, shown while the whole is made: the whole follows.
    bool partial = false;

    QImage image;
    // The picture made to fit the room it was asked for, when it is larger.
    QImage fitted;
    QString imageFormat;
    int imageDepth = 0;

    preview::SoundInfo sound;
    // The sound's bytes, for playing.
    QByteArray soundBytes;
};

// Reads and looks at the entry; never throws, a failure is a Message. A picture is fitted to
// the room as well.
// A long text's first screens are handed to `early` as soon as they are made.
PreviewContent MakePreview(const EntryBytes& entry, const QString& name, QSize room,
                           const std::function<void(PreviewContent)>& early = {});
// An empty document of the kind MakePreview makes.
QSharedPointer<QTextDocument> NewTextDocument(const QString& text);

} // namespace tessel::ui
