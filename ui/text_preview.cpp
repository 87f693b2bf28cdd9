#include "text_preview.h"

#include "line_numbered_edit.h"
#include "preview_content.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tessel::ui {

TextPreview::TextPreview(QWidget* parent)
    : QWidget(parent), state_(new QLabel(this)), edit_(new LineNumberedEdit(this)),
      findBar_(new QWidget(this)), findText_(new QLineEdit(findBar_)), save_(new QPushButton("Save", this)) {
    setObjectName("TextPreview");
    state_->setObjectName("TextState");
    state_->setWordWrap(true);
    edit_->setObjectName("TextView");
    edit_->setAccessibleName("Text");
    save_->setObjectName("SaveText");
    save_->setAccessibleName("Save");
    save_->setToolTip("Writes the text into the package (Ctrl+S)");
    findText_->setObjectName("FindText");
    findText_->setAccessibleName("Find in text");
    findText_->setPlaceholderText("Find");
    findText_->setClearButtonEnabled(true);

    auto* findRow = new QHBoxLayout(findBar_);
    findRow->setContentsMargins(0, 0, 0, 0);
    auto* next = new QPushButton("Next", findBar_);
    next->setObjectName("FindNext");
    findRow->addWidget(findText_, 1);
    findRow->addWidget(next);
    findBar_->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(state_, 1);
    top->addWidget(save_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addWidget(findBar_);
    column->addWidget(edit_, 1);

    connect(save_, &QPushButton::clicked, this, &TextPreview::saveRequested);
    connect(next, &QPushButton::clicked, this, &TextPreview::findNext);
    connect(findText_, &QLineEdit::returnPressed, this, &TextPreview::findNext);
    // Ctrl+F and Ctrl+S belong to the text while it has the keyboard: the window's Ctrl+F
    // filters the list everywhere else.
    edit_->installEventFilter(this);
    findText_->installEventFilter(this);
    auto* closeFind =
        new QShortcut(Qt::Key_Escape, findBar_, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(closeFind, &QShortcut::activated, this, [this] {
        findBar_->hide();
        edit_->setFocus();
    });
}

bool TextPreview::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (!key)
        return QWidget::eventFilter(watched, event);
    auto* press = static_cast<QKeyEvent*>(event);
    const bool find = press->matches(QKeySequence::Find);
    const bool save = press->matches(QKeySequence::Save);
    if (!find && !save)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken here, the key comes as a key press instead of the window's shortcut.
        event->accept();
        return true;
    }
    if (find)
        showFind();
    else if (modified() && !cutShort_)
        emit saveRequested();
    return true;
}

void TextPreview::showText(QSharedPointer<QTextDocument> text, preview::TextEncoding encoding, bool cutShort,
                           const QString& note, bool keepPlace) {
    encoding_ = encoding;
    cutShort_ = cutShort;
    note_ = note;
    if (document_)
        disconnect(document_.get(), nullptr, this, nullptr);
    const int place = edit_->verticalScrollBar()->value();
    edit_->showDocument(text.get());
    if (keepPlace)
        edit_->verticalScrollBar()->setValue(place);
    // The editor lets go of the old document before it goes.
    document_ = std::move(text);
    edit_->setReadOnly(cutShort);
    connect(document_.get(), &QTextDocument::modificationChanged, this, [this] { showState(); });
    showState();
}

void TextPreview::clear() {
    if (!empty_)
        empty_ = NewTextDocument({});
    empty_->clear();
    showText(empty_, preview::TextEncoding::Utf8, false, {});
}

QString TextPreview::text() const {
    return edit_->toPlainText();
}

bool TextPreview::modified() const {
    return edit_->document()->isModified();
}

void TextPreview::setSaved() {
    edit_->document()->setModified(false);
}

void TextPreview::showFind() {
    findBar_->show();
    findText_->setFocus();
    findText_->selectAll();
}

void TextPreview::findNext() {
    const QString wanted = findText_->text();
    if (wanted.isEmpty())
        return;
    // From the cursor on, then once more from the top.
    if (!edit_->find(wanted)) {
        QTextCursor start = edit_->textCursor();
        start.movePosition(QTextCursor::Start);
        edit_->setTextCursor(start);
        if (!edit_->find(wanted))
            findText_->setStyleSheet("background: #f6d0d0");
        else
            findText_->setStyleSheet({});
    } else {
        findText_->setStyleSheet({});
    }
}

void TextPreview::showState() {
    QString state;
    if (modified())
        state = "Modified: Ctrl+S saves it into the package";
    else {
        // A last line end closes the last line rather than opening one more.
        const QTextDocument* document = edit_->document();
        const int lines =
            document->blockCount() - (document->lastBlock().length() <= 1 && document->blockCount() > 1);
        state = QString("%1, %2 line%3")
                    .arg(preview::EncodingName(encoding_))
                    .arg(lines)
                    .arg(lines == 1 ? "" : "s");
    }
    if (!note_.isEmpty())
        state += ". " + note_;
    state_->setText(state);
    state_->setAccessibleName(state);
    save_->setEnabled(modified() && !cutShort_);
}

} // namespace tessel::ui
