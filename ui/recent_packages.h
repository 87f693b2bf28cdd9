// File > Open Recent: the packages opened last, the latest first, kept between runs.
#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace tessel::ui {

class RecentPackages : public QObject {
    Q_OBJECT
public:
    explicit RecentPackages(QMenu* menu);

    // Puts the package first.
    void remember(const QString& path);

signals:
    void chosen(const QString& path);

private:
    void fill();

    QMenu* menu_;
};

} // namespace tessel::ui
