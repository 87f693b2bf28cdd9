#include "recent_packages.h"

#include "settings.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

namespace tessel::ui {

RecentPackages::RecentPackages(QMenu* menu) : QObject(menu), menu_(menu) {
    fill();
}

void RecentPackages::remember(const QString& path) {
    Settings settings;
    QStringList recent = settings.value(kRecentPackages).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    settings.setValue(kRecentPackages, recent.mid(0, kRecentPackageCount));
    fill();
}

void RecentPackages::fill() {
    menu_->clear();
    const QStringList recent = Settings().value(kRecentPackages).toStringList();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        QAction* action = menu_->addAction(QString("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    menu_->setEnabled(!recent.isEmpty());
}

} // namespace tessel::ui
