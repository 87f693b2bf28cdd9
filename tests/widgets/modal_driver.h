// Answers the next modal dialog that a test's action opens. The answer runs from a timer
// while the dialog's own event loop spins; a dialog left open too long is closed, so a
// forgotten one fails the test instead of hanging it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

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

// Answers with the dialog's default: a message box's OK (or its only button), a
// dialog's reject.
void CloseDialog(QWidget* dialog);
// Closes whatever modal dialogs are still open.
void CloseStrayDialogs();

} // namespace tessel::testing
