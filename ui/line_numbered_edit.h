// A plain text editor with the line numbers in a margin on its left.
#pragma once

#include <QPlainTextEdit>

namespace tessel::ui {

class LineNumberedEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LineNumberedEdit(QWidget* parent = nullptr);
    // Shows a document laid out for a plain text editor; the caller keeps it.
    void showDocument(QTextDocument* document);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Margin;
    int marginWidth() const;
    void paintMargin(QPaintEvent* event);

    QWidget* margin_;
};

} // namespace tessel::ui
