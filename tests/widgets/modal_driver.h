// Answers the next modal dialog that a test's action opens. The answer runs from a timer
// while the dialog's own event loop spins; a dialog left open too long is closed, so a
// forgotten one fails the test instead of hanging it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace tessel::testing {

class ModalDriver : public QObject {
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalDriver(Answer answer, int timeoutMs = 5000);

    bool answered() const { return answered_; }
    // The window title and main text of the dialog, as seen when it was answered.
    QString title() const { return title_; }
    QString text() const { return text_; }

private:
    void poll();

    Answer answer_;
    QTimer timer_;
    int remainingPolls_;
    bool answered_ = false;
    QString title_;
    QString text_;
};

// Answers the modal dialogs that open one after another, each with the next answer, and
// keeps their texts; dialogs beyond the answers are left to time out.
class ModalSequence : public QObject {
public:
    explicit ModalSequence(std::vector<ModalDriver::Answer> answers, int timeoutMs = 8000);

    int answeredCount() const { return static_cast<int>(texts_.size()); }
    // Each answered message box's text and informative text, joined by a line break.
    const QStringList& texts() const { return texts_; }

private:
    void poll();

    std::vector<ModalDriver::Answer> answers_;
    QTimer timer_;
    int remainingPolls_;
    QStringList texts_;
};

// Presses the message box's button of that text, ticking its check box first if asked.
ModalDriver::Answer Press(const QString& buttonText, bool tick = false);

// Answers with the dialog's default: a message box's OK (or its only button), a
// dialog's reject.
void CloseDialog(QWidget* dialog);
// Closes whatever modal dialogs are still open.
void CloseStrayDialogs();

} // namespace tessel::testing
