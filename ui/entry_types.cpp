#include "entry_types.h"

#include "name_text.h"

#include <QMimeDatabase>

namespace tessel::ui {

namespace {

// Enough for every magic number the database knows.
constexpr int kSniffedBytes = 512;
constexpr const char* kUnknown = "application/octet-stream";

QString ExtensionOf(const QString& name) {
    const int dot = name.lastIndexOf('.');
    return dot <= 0 ? QString() : name.mid(dot).toLower();
}

} // namespace

EntryTypes::EntryTypes() : folder_{"Folder", QIcon::fromTheme("folder", QIcon(":/icons/folder16.png"))} {}

const EntryTypes::Type& EntryTypes::typeNamed(const QString& mimeName) {
    auto found = byMime_.find(mimeName);
    if (found != byMime_.end())
        return *found;
    const QMimeType mime = QMimeDatabase().mimeTypeForName(mimeName);
    const QIcon ours(":/icons/document16.png");
    QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName(), ours));
    QString name = mime.comment();
    if (mimeName == kUnknown || name.isEmpty())
        name = "Data file";
    else
        name[0] = name[0].toUpper();
    return *byMime_.insert(mimeName, Type{name, icon});
}

const EntryTypes::Type& EntryTypes::typeOf(const TreeNode* node) {
    const QString name = QString::fromStdString(NameToUtf8(node->text()));
    const QString extension = ExtensionOf(name);
    // Types by name are shared by every entry of that extension.
    auto known = byExtension_.find(extension);
    if (known == byExtension_.end()) {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        known = byExtension_.insert(extension, mime.isDefault() ? QString() : mime.name());
    }
    if (!known->isEmpty())
        return typeNamed(*known);
    auto sniffed = byContent_.find(node);
    if (sniffed == byContent_.end()) {
        const std::string head = readHead_ ? readHead_(node, kSniffedBytes) : std::string();
        const QMimeType mime = QMimeDatabase().mimeTypeForData(QByteArray::fromStdString(head));
        sniffed = byContent_.insert(node, head.empty() ? QString(kUnknown) : mime.name());
    }
    return typeNamed(*sniffed);
}

} // namespace tessel::ui
