#include "file_commands.h"

#include "edit_commands.h"
#include "settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace tessel::ui {

namespace {

constexpr const char* kPackageFilter = "VP Files (*.vp)";

QStringList Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace

FileCommands::FileCommands(const WindowContext& context, EditCommands& edits,
                           std::function<void(const std::string&)> openPackage)
    : QObject(context.window), context_(context), edits_(edits), openPackage_(std::move(openPackage)) {}

QString FileCommands::startFolder() const {
    QString package = QString::fromStdString(context_.package.path());
    if (package.isEmpty()) {
        const QStringList recent = Settings().value(kRecentPackages).toStringList();
        package = recent.isEmpty() ? QString() : recent.first();
    }
    const QString folder = QFileInfo(package).path();
    return !package.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void FileCommands::open() {
    QFileDialog dialog(context_.window, "Open", startFolder(), kPackageFilter);
    dialog.setObjectName("OpenDialog1");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList chosen = Chosen(dialog);
    if (!chosen.isEmpty())
        openPackage_(chosen.first().toStdString());
}

void FileCommands::newPackage() {
    QFileDialog dialog(context_.window, "New Package", startFolder(), kPackageFilter);
    dialog.setObjectName("NewPackageDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("vp");
    // An existing file is never replaced: creating refuses it with the reason.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList chosen = Chosen(dialog);
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.first().toStdString();
    Package::Create(path, {});
    openPackage_(path);
}

void FileCommands::addFiles() {
    if (!context_.package.isOpen())
        return;
    QFileDialog dialog(context_.window, "Add Files", startFolder());
    dialog.setObjectName("AddFilesDialog");
    dialog.setFileMode(QFileDialog::ExistingFiles);
    edits_.addChosen(Chosen(dialog));
}

void FileCommands::addFolder() {
    if (!context_.package.isOpen())
        return;
    QFileDialog dialog(context_.window, "Add Folder", startFolder());
    dialog.setObjectName("AddFolderDialog");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    edits_.addChosen(Chosen(dialog));
}

} // namespace tessel::ui
