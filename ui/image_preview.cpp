#include "image_preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessel::ui {

// The picture over a checkerboard, scaled once for each size it is shown at.
class ImagePreview::Canvas : public QWidget {
public:
    explicit Canvas(QWidget* parent) : QWidget(parent) {}
    QImage image;
    QImage scaled;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        constexpr int square = 8;
        const QRect area = event->rect();
        for (int y = area.top() / square * square; y <= area.bottom(); y += square)
            for (int x = area.left() / square * square; x <= area.right(); x += square)
                painter.fillRect(x, y, square, square,
                                 ((x + y) / square) % 2 ? QColor(204, 204, 204) : Qt::white);
        if (scaled.size() != size()) {
            // Shrinking smooths; growing keeps the pixels square and sharp.
            scaled = size() == image.size() ? image
                                            : image.scaled(size(), Qt::IgnoreAspectRatio,
                                                           width() < image.width() ? Qt::SmoothTransformation
                                                                                   : Qt::FastTransformation);
        }
        painter.drawImage(area, scaled, area);
    }
};

ImagePreview::ImagePreview(QWidget* parent)
    : QWidget(parent), facts_(new QLabel(this)), fit_(new QToolButton(this)), scroll_(new QScrollArea(this)),
      canvas_(new Canvas(scroll_)) {
    setObjectName("ImagePreview");
    facts_->setObjectName("ImageFacts");
    fit_->setObjectName("FitImage");
    fit_->setText("Fit");
    fit_->setAccessibleName("Fit to the pane");
    fit_->setToolTip("Fits the picture to the pane; off, it shows at its own size");
    fit_->setCheckable(true);
    fit_->setChecked(true);
    scroll_->setObjectName("ImageView");
    scroll_->setAccessibleName("Picture");
    scroll_->setWidget(canvas_);
    scroll_->setAlignment(Qt::AlignCenter);
    auto* top = new QHBoxLayout;
    top->addWidget(facts_, 1);
    top->addWidget(fit_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addWidget(scroll_, 1);
    connect(fit_, &QToolButton::toggled, this, [this] { layoutCanvas(); });
    // The room a picture fits is the viewport's, which is laid out only once the view shows.
    scroll_->viewport()->installEventFilter(this);
}

QSize ImagePreview::room() const {
    return scroll_->viewport()->size();
}

void ImagePreview::showImage(const QImage& image, const QImage& fitted, const QString& format, int depth) {
    canvas_->image = image;
    canvas_->scaled = fitted;
    const QString alpha = image.hasAlphaChannel() ? ", with transparency" : "";
    facts_->setText(QString("%1 × %2 pixels, %3, %4 bits a pixel%5")
                        .arg(image.width())
                        .arg(image.height())
                        .arg(format)
                        .arg(depth)
                        .arg(alpha));
    scroll_->setAccessibleDescription(facts_->text());
    layoutCanvas();
}

void ImagePreview::clear() {
    canvas_->image = {};
    canvas_->scaled = {};
    facts_->clear();
    layoutCanvas();
}

QString ImagePreview::facts() const {
    return facts_->text();
}

bool ImagePreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize)
        layoutCanvas();
    return QWidget::eventFilter(watched, event);
}

void ImagePreview::layoutCanvas() {
    const QSize own = canvas_->image.size();
    if (own.isEmpty())
        return canvas_->resize(0, 0);
    QSize shown = own;
    if (fit_->isChecked()) {
        // A small picture grows by whole steps, so that its pixels stay square and sharp.
        const QSize room = scroll_->viewport()->size();
        if (own.width() > room.width() || own.height() > room.height())
            shown = own.scaled(room, Qt::KeepAspectRatio);
        else
            shown = own * std::max(1, std::min(room.width() / own.width(), room.height() / own.height()));
    }
    scroll_->setHorizontalScrollBarPolicy(fit_->isChecked() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(fit_->isChecked() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    canvas_->resize(shown.expandedTo(QSize(1, 1)));
    canvas_->update();
}

} // namespace tessel::ui
