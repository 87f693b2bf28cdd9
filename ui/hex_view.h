// An entry's bytes as rows of an offset, sixteen bytes in hex and the same as text. Only the
// rows on screen are read from the package, when they are painted, so that an entry of any
// size opens at once.
#pragma once

#include "entry_bytes.h"

#include <QAbstractScrollArea>
#include <QString>
#include <string>

namespace tessel::ui {

class HexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit HexView(QWidget* parent = nullptr);

    void setEntry(const EntryBytes& entry);
    void clear();
    // The rows on screen as text, as they are painted: what assistive tools read.
    QString visibleText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kRowBytes = 16;
    void describe();
    int rowHeight() const;
    int visibleRows() const;
    void updateScrollBar();
    // The rows from the first on screen, read from the package when they are not yet.
    const std::string& rowsOnScreen() const;
    QString rowText(std::int64_t row, std::string_view bytes) const;

    EntryBytes entry_;
    bool hasEntry_ = false;
    // What was read last: the bytes from readFrom_, or why they could not be read.
    mutable std::int64_t readFrom_ = -1;
    mutable std::string read_;
    mutable QString readError_;
};

} // namespace tessel::ui
