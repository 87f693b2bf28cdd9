#include "line_numbered_edit.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace tessel::ui {

class LineNumberedEdit::Margin : public QWidget {
public:
    explicit Margin(LineNumberedEdit* edit) : QWidget(edit), edit_(edit) {}
    QSize sizeHint() const override { return {edit_->marginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { edit_->paintMargin(event); }

private:
    LineNumberedEdit* edit_;
};

LineNumberedEdit::LineNumberedEdit(QWidget* parent) : QPlainTextEdit(parent), margin_(new Margin(this)) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::blockCountChanged, this,
            [this] { setViewportMargins(marginWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0)
            margin_->scroll(0, dy);
        else
            margin_->update(0, rect.y(), margin_->width(), rect.height());
    });
    setViewportMargins(marginWidth(), 0, 0, 0);
}

void LineNumberedEdit::showDocument(QTextDocument* document) {
    setDocument(document);
    setViewportMargins(marginWidth(), 0, 0, 0);
    margin_->update();
}

int LineNumberedEdit::marginWidth() const {
    const int digits = QString::number(std::max(1, blockCount())).size();
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void LineNumberedEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    margin_->setGeometry(QRect(area.left(), area.top(), marginWidth(), area.height()));
}

void LineNumberedEdit::paintMargin(QPaintEvent* event) {
    QPainter painter(margin_);
    painter.fillRect(event->rect(), palette().alternateBase());
    painter.setPen(palette().placeholderText().color());
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top())
            painter.drawText(0, top, margin_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        block = block.next();
        top += height;
    }
}

} // namespace tessel::ui
