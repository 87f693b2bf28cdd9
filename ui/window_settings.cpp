// What the window remembers between runs: its place and size, the columns and the sort,
// and the packages opened last.
#include "main_window.h"

#include "folder_list_model.h"
#include "folder_list_view.h"
#include "settings.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>

namespace tessel::ui {

namespace {

constexpr int kDesignedWidth = 737;
constexpr int kDesignedHeight = 364;
constexpr int kDesignedLeft = 222;
constexpr int kDesignedTop = 226;

} // namespace

void Form1::PlaceWindow() {
    const Settings settings;
    if (restoreGeometry(settings.value(kWindowGeometry).toByteArray()))
        return;
    resize(kDesignedWidth, kDesignedHeight);
    move(kDesignedLeft, kDesignedTop);
    // The designed place may lie off a small or scaled screen: then the window is centred
    // on the screen it opens on, and no larger than it.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (available.contains(QRect(pos(), size())))
        return;
    resize(size().boundedTo(available.size()));
    move(available.center() - rect().center());
}

void Form1::RestoreListSettings() {
    const Settings settings;
    ui_.ListView1->header()->restoreState(settings.value(kListColumns).toByteArray());
    sort_.restore(settings.value(kSortColumn, -1).toInt(), settings.value(kSortReversed, false).toBool());
}

void Form1::SaveSettings() {
    Settings settings;
    settings.setValue(kWindowGeometry, saveGeometry());
    settings.setValue(kListColumns, ui_.ListView1->header()->saveState());
    settings.setValue(kSortColumn, sort_.active() ? sort_.activeColumn() : -1);
    settings.setValue(kSortReversed, sort_.active() && sort_.active()->reversed);
}

void Form1::RememberRecent(const QString& path) {
    Settings settings;
    QStringList recent = settings.value(kRecentPackages).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    settings.setValue(kRecentPackages, recent.mid(0, kRecentPackageCount));
    FillRecentMenu();
}

void Form1::FillRecentMenu() {
    ui_.OpenRecent->clear();
    const QStringList recent = Settings().value(kRecentPackages).toStringList();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* action = ui_.OpenRecent->addAction(QString("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] {
            RunCommand([&] { LoadPackage(path.toStdString()); });
        });
    }
    ui_.OpenRecent->setEnabled(!recent.isEmpty());
}

} // namespace tessel::ui
