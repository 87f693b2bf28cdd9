#include "preview_content.h"

#include "decoded_image.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPlainTextDocumentLayout>
#include <QThread>
#include <exception>

namespace tessel::ui {

namespace {

constexpr std::int64_t kHeadBytes = 64 * 1024;
// Sounds larger than this are described but not played.
constexpr std::int64_t kLargestPlayedSound = std::int64_t(64) << 20;

QString Text(const std::string& bytes) {
    return QString::fromStdString(bytes);
}

// The decoded pixels become the image's own, without a copy.
QImage FromDecoded(preview::DecodedImage decoded) {
    auto* pixels = new std::vector<std::uint32_t>(std::move(decoded.pixels));
    return QImage(
        reinterpret_cast<uchar*>(pixels->data()), decoded.width, decoded.height, decoded.width * 4,
        decoded.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [](void* owned) { delete static_cast<std::vector<std::uint32_t>*>(owned); }, pixels);
}

bool PictureByName(const QString& name) {
    static const QStringList suffixes{"png", "jpg",  "jpeg", "bmp", "gif", "tga",
                                      "tif", "tiff", "webp", "pcx", "dds"};
    return suffixes.contains(name.section('.', -1).toLower());
}

bool PictureByBytes(std::string_view head) {
    static const std::string_view magics[] = {"\x89PNG", "\xFF\xD8\xFF", "GIF8", "BM", "II*", "MM\0*"};
    for (std::string_view magic : magics) {
        if (head.substr(0, magic.size()) == magic)
            return true;
    }
    return (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WEBP") ||
           preview::LooksLikePcx(head) || preview::LooksLikeDds(head);
}

void ReadPicture(const EntryBytes& entry, PreviewContent& content) {
    if (entry.size() > preview::kLargestDecodedBytes) {
        content.kind = PreviewContent::Kind::Message;
        content.message = QString("The picture's %1 bytes are more than are shown").arg(entry.size());
        return;
    }
    const std::string bytes = entry.read(0, entry.size());
    preview::DecodeResult ours;
    if (preview::LooksLikeDds(bytes))
        ours = preview::DecodeDds(bytes);
    else if (preview::LooksLikePcx(bytes))
        ours = preview::DecodePcx(bytes);
    if (preview::LooksLikeDds(bytes) || preview::LooksLikePcx(bytes)) {
        if (!ours.ok()) {
            content.kind = PreviewContent::Kind::Message;
            content.message = Text(ours.error);
            return;
        }
        content.kind = PreviewContent::Kind::Image;
        content.imageFormat = Text(ours.image.format);
        content.imageDepth = ours.image.depth;
        content.image = FromDecoded(std::move(ours.image));
        return;
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(int(preview::kLargestDecodedBytes >> 20));
    const QSize size = reader.size();
    if (size.isValid()) {
        if (std::string problem = preview::SizeProblem(size.width(), size.height()); !problem.empty()) {
            content.kind = PreviewContent::Kind::Message;
            content.message = Text(problem);
            return;
        }
    }
    const QByteArray format = reader.format();
    QImage image = reader.read();
    if (image.isNull()) {
        content.kind = PreviewContent::Kind::Message;
        content.message = "The picture cannot be read: " + reader.errorString();
        return;
    }
    content.kind = PreviewContent::Kind::Image;
    content.imageFormat = QString::fromLatin1(format).toUpper();
    content.imageDepth = image.depth();
    content.image = std::move(image);
}

bool TextByName(const QString& name) {
    return QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).inherits("text/plain");
}

} // namespace

QSharedPointer<QTextDocument> NewTextDocument(const QString& text) {
    // A document goes at once where it lives; one that has moved on is sent after.
    QSharedPointer<QTextDocument> document(new QTextDocument, [](QTextDocument* gone) {
        if (gone->thread() == QThread::currentThread())
            delete gone;
        else
            gone->deleteLater();
    });
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    document->setPlainText(text);
    document->setModified(false);
    return document;
}

PreviewContent MakePreview(const EntryBytes& entry, const QString& name, QSize room,
                           const std::function<void(PreviewContent)>& early) {
    PreviewContent content;
    try {
        if (entry.outside()) {
            content.kind = PreviewContent::Kind::Message;
            content.message = Text(entry.outsideReason());
            return content;
        }
        const std::string head = entry.read(0, kHeadBytes);
        if (PictureByBytes(head) || (PictureByName(name) && !preview::TextEncodingOf(head, true))) {
            ReadPicture(entry, content);
            const QSize own = content.image.size();
            if (!content.image.isNull() && (own.width() > room.width() || own.height() > room.height()) &&
                !room.isEmpty())
                content.fitted = content.image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            return content;
        }
        if (preview::LooksLikeSound(head)) {
            const std::string tail =
                entry.read(std::max<std::int64_t>(0, entry.size() - kHeadBytes), kHeadBytes);
            const preview::SoundResult sound = preview::ReadSoundInfo(head, tail, entry.size());
            if (sound.ok()) {
                content.kind = PreviewContent::Kind::Sound;
                content.sound = sound.info;
                if (entry.size() <= kLargestPlayedSound)
                    content.soundBytes = QByteArray::fromStdString(entry.read(0, entry.size()));
                return content;
            }
        }
        const bool textByName = TextByName(name);
        if (!textByName && !preview::TextEncodingOf(head, true)) {
            content.kind = PreviewContent::Kind::Bytes;
            return content;
        }
        if (early && entry.size() > kHeadBytes) {
            // Laying out a long text takes a while: its first screens go ahead.
            if (const auto encoding = preview::TextEncodingOf(head, true)) {
                PreviewContent first;
                first.kind = PreviewContent::Kind::Text;
                first.encoding = *encoding;
                first.partial = true;
                first.message = "Reading the rest";
                const std::string lines = head.substr(0, head.rfind('\n') + 1);
                first.text = NewTextDocument(Text(preview::DecodeText(lines, *encoding)));
                first.text->moveToThread(QCoreApplication::instance()->thread());
                early(std::move(first));
            }
        }
        const bool cutShort = entry.size() > kLargestTextPreview;
        const std::string bytes = entry.size() <= kHeadBytes ? head : entry.read(0, kLargestTextPreview);
        std::optional<preview::TextEncoding> encoding = preview::TextEncodingOf(bytes, cutShort);
        if (!encoding && textByName && bytes.find('\0') == std::string::npos)
            encoding = preview::TextEncoding::Windows1252;
        if (encoding) {
            content.kind = PreviewContent::Kind::Text;
            content.encoding = *encoding;
            content.cutShort = cutShort;
            content.text = NewTextDocument(Text(preview::DecodeText(bytes, *encoding)));
            // The window's thread takes the document over.
            content.text->moveToThread(QCoreApplication::instance()->thread());
            if (cutShort)
                content.message = "The first 8 MiB are shown; Open file shows all";
            return content;
        }
        content.kind = PreviewContent::Kind::Bytes;
    } catch (const std::exception& error) {
        content.kind = PreviewContent::Kind::Message;
        content.message = QString::fromStdString(error.what());
    }
    return content;
}

} // namespace tessel::ui
