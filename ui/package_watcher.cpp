#include "package_watcher.h"

#include "package_file.h"
#include "status_texts.h"

#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tessel::ui {

namespace {
// Another program's save comes as several changes: they are looked at once, together.
constexpr int kPauseMs = 300;
} // namespace

PackageWatcher::PackageWatcher(const Package& package, QWidget* parent)
    : QWidget(parent), package_(package), watcher_(new QFileSystemWatcher(this)), text_(new QLabel(this)) {
    setObjectName("ChangedOnDiskBar");
    setAccessibleName("Package changed on disk");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    auto* reload = new QPushButton("Reload", this);
    reload->setObjectName("ReloadChanged");
    reload->setAccessibleDescription("Reads the package anew, as it is on disk now");
    auto* dismiss = new QPushButton("Dismiss", this);
    dismiss->setObjectName("DismissChanged");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(text_, 1);
    layout->addWidget(reload);
    layout->addWidget(dismiss);
    hide();
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    connect(&pause_, &QTimer::timeout, this, &PackageWatcher::checkNow);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { pause_.start(); });
    connect(reload, &QPushButton::clicked, this, [this] {
        hide();
        emit reloadRequested();
    });
    connect(dismiss, &QPushButton::clicked, this, &QWidget::hide);
}

void PackageWatcher::watchOpenPackage() {
    hide();
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (package_.isOpen())
        watcher_->addPath(QString::fromStdString(package_.path()));
}

void PackageWatcher::checkNow() {
    if (!package_.isOpen())
        return;
    const QString path = QString::fromStdString(package_.path());
    // A file replaced under its name is a new file: it is watched anew.
    if (!watcher_->files().contains(path))
        watcher_->addPath(path);
    const FileStamp now = StampOf(package_.path());
    if (now == package_.stamp())
        return hide();
    text_->setText(now.valid() ? QString("%1 was changed on disk by another program.").arg(FileNameOf(path))
                               : QString("%1 was removed or moved away on disk.").arg(FileNameOf(path)));
    show();
}

} // namespace tessel::ui
