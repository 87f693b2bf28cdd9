// A picture fitted to the pane or at its own size, transparency over a checkerboard, with
// its size, format and depth.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QScrollArea;
class QToolButton;

namespace tessel::ui {

class ImagePreview : public QWidget {
    Q_OBJECT
public:
    explicit ImagePreview(QWidget* parent = nullptr);

    // fitted, when not null, is the picture already made to fit room().
    void showImage(const QImage& image, const QImage& fitted, const QString& format, int depth);
    // Where a fitted picture goes.
    QSize room() const;
    QString facts() const;
    void clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Canvas;
    void layoutCanvas();

    QLabel* facts_;
    QToolButton* fit_;
    QScrollArea* scroll_;
    Canvas* canvas_;
};

} // namespace tessel::ui
