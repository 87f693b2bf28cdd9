#include "hex_view.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <exception>

namespace tessel::ui {

namespace {

// A scroll bar counts in int: rows past that are reached in steps of several rows.
constexpr std::int64_t kLargestScrollValue = 1 << 30;

} // namespace

HexView::HexView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("BytesView");
    setAccessibleName("Bytes");
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    // Assistive tools read the rows on screen, as they are painted.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { describe(); });
}

void HexView::describe() {
    setAccessibleDescription(isVisible() ? visibleText() : QString());
}

void HexView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    describe();
}

void HexView::setEntry(const EntryBytes& entry) {
    entry_ = entry;
    hasEntry_ = true;
    readFrom_ = -1;
    verticalScrollBar()->setValue(0);
    updateScrollBar();
    viewport()->update();
    describe();
}

void HexView::clear() {
    entry_ = EntryBytes();
    hasEntry_ = false;
    readFrom_ = -1;
    updateScrollBar();
    viewport()->update();
}

int HexView::rowHeight() const {
    return fontMetrics().height();
}

int HexView::visibleRows() const {
    return std::max(1, viewport()->height() / rowHeight());
}

void HexView::updateScrollBar() {
    const int lineWidth = fontMetrics().horizontalAdvance(QString(rowText(0, {}).size() + 2, QChar('0')));
    horizontalScrollBar()->setRange(0, std::max(0, lineWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    const std::int64_t rows = hasEntry_ ? (entry_.size() + kRowBytes - 1) / kRowBytes : 0;
    const std::int64_t scrollable = std::max<std::int64_t>(0, rows - visibleRows());
    verticalScrollBar()->setRange(0, int(std::min(scrollable, kLargestScrollValue)));
    verticalScrollBar()->setPageStep(visibleRows());
}

void HexView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

const std::string& HexView::rowsOnScreen() const {
    const std::int64_t rows = (entry_.size() + kRowBytes - 1) / kRowBytes;
    const std::int64_t scrollable = std::max<std::int64_t>(0, rows - visibleRows());
    const std::int64_t value = verticalScrollBar()->value();
    const std::int64_t first =
        scrollable <= kLargestScrollValue
            ? value
            : value * scrollable / std::max<std::int64_t>(1, verticalScrollBar()->maximum());
    const std::int64_t from = first * kRowBytes;
    const std::int64_t count = std::int64_t(visibleRows() + 1) * kRowBytes;
    if (from != readFrom_ || std::int64_t(read_.size()) < std::min(count, entry_.size() - from)) {
        readFrom_ = from;
        readError_.clear();
        try {
            read_ = entry_.read(from, count);
        } catch (const std::exception& error) {
            read_.clear();
            readError_ = QString::fromStdString(error.what());
        }
    }
    return read_;
}

QString HexView::rowText(std::int64_t row, std::string_view bytes) const {
    QString line = QString("%1  ").arg(row * kRowBytes, 8, 16, QChar('0'));
    QString shown;
    for (int i = 0; i < kRowBytes; ++i) {
        if (i < int(bytes.size())) {
            const auto byte = static_cast<unsigned char>(bytes[std::size_t(i)]);
            line += QString("%1 ").arg(byte, 2, 16, QChar('0'));
            shown += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
        } else {
            line += "   ";
        }
        if (i == 7)
            line += ' ';
    }
    return line + ' ' + shown;
}

QString HexView::visibleText() const {
    if (!hasEntry_)
        return {};
    const std::string& bytes = rowsOnScreen();
    if (!readError_.isEmpty())
        return readError_;
    QStringList lines;
    const std::int64_t firstRow = readFrom_ / kRowBytes;
    for (std::size_t at = 0; at < bytes.size(); at += kRowBytes)
        lines << rowText(firstRow + std::int64_t(at / kRowBytes),
                         std::string_view(bytes).substr(at, kRowBytes));
    return lines.join('\n');
}

void HexView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().text().color());
    if (!hasEntry_)
        return;
    const std::string& bytes = rowsOnScreen();
    if (!readError_.isEmpty()) {
        painter.drawText(viewport()->rect().adjusted(6, 6, -6, -6), Qt::TextWordWrap, readError_);
        return;
    }
    const std::int64_t firstRow = readFrom_ / kRowBytes;
    const int ascent = fontMetrics().ascent();
    for (std::size_t at = 0; at < bytes.size(); at += kRowBytes) {
        const int y = int(at / kRowBytes) * rowHeight() + ascent;
        painter.drawText(
            4 - horizontalScrollBar()->value(), y,
            rowText(firstRow + std::int64_t(at / kRowBytes), std::string_view(bytes).substr(at, kRowBytes)));
    }
}

} // namespace tessel::ui
