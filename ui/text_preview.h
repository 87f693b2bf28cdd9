// The text of an entry, editable in place: its encoding and lines, find within, and the
// state of the edit. Saving is the pane's: this view only says that it is asked for.
#pragma once

#include "text_kind.h"

#include <QSharedPointer>
#include <QTextDocument>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessel::ui {

class LineNumberedEdit;

class TextPreview : public QWidget {
    Q_OBJECT
public:
    explicit TextPreview(QWidget* parent = nullptr);

    // Shows the text; with cutShort it is the entry's beginning only and may not be saved.
    // With keepPlace the text shown before is the beginning of this one: the view stays
    // where it was.
    void showText(QSharedPointer<QTextDocument> text, preview::TextEncoding encoding, bool cutShort,
                  const QString& note, bool keepPlace = false);
    void clear();
    QString text() const;
    bool modified() const;
    // The text is as the entry holds it now.
    void setSaved();
    void showFind();
    LineNumberedEdit* editor() const { return edit_; }

signals:
    void saveRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showState();
    void findNext();

    QLabel* state_;
    LineNumberedEdit* edit_;
    QWidget* findBar_;
    QLineEdit* findText_;
    QPushButton* save_;
    preview::TextEncoding encoding_ = preview::TextEncoding::Utf8;
    bool cutShort_ = false;
    QString note_;
    QSharedPointer<QTextDocument> document_;
    // What shows when nothing does.
    QSharedPointer<QTextDocument> empty_;
};

} // namespace tessel::ui
