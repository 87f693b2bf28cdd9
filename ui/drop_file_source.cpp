#include "drop_file_source.h"

#include "progress.h"

#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <utility>

namespace tessel::ui {

Qt::DropAction DropFileSource::execute(QWidget* dragSource) {
    lastAnswer_ = Qt::IgnoreAction;
    released_ = false;
    error_ = nullptr;
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : Files)
        urls << QUrl::fromLocalFile(file);
    data->setUrls(urls);
    auto* drag = new QDrag(dragSource);
    drag->setMimeData(data);
    connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) { answered(action); });
    // Installed from inside the drag's own loop, so that this filter sees the release
    // before the drag code that turns it into the drop.
    QTimer::singleShot(0, this, [this] { qApp->installEventFilter(this); });
    const Qt::DropAction result = drag->exec(Qt::MoveAction, Qt::MoveAction);
    qApp->removeEventFilter(this);
    drag->deleteLater();
    finished(result);
    return result;
}

void DropFileSource::finished(Qt::DropAction result) {
    if (AfterDrop)
        AfterDrop(result);
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

void DropFileSource::released() {
    if (released_)
        return;
    released_ = true;
    if (lastAnswer_ != Qt::MoveAction || !Drop)
        return;
    try {
        Drop();
    } catch (const RunCancelled&) {
        // The user stopped the writing: the drop is called off, and that is all.
        QDrag::cancel();
    } catch (...) {
        error_ = std::current_exception();
        QDrag::cancel();
    }
}

bool DropFileSource::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        released();
    return QObject::eventFilter(watched, event);
}

} // namespace tessel::ui
