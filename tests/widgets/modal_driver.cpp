#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tessel::testing {

namespace {
constexpr int kPollMs = 10;
}

ModalDriver::ModalDriver(Answer answer, int timeoutMs)
    : answer_(std::move(answer)), remainingPolls_(timeoutMs / kPollMs) {
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::poll);
    timer_.start(kPollMs);
}

void ModalDriver::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !answered_) {
        answered_ = true;
        title_ = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            text_ = box->text();
        timer_.stop();
        answer_(modal);
        return;
    }
    if (--remainingPolls_ <= 0) {
        timer_.stop();
        CloseStrayDialogs();
    }
}

void CloseDialog(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        const auto buttons = box->buttons();
        if (!buttons.isEmpty()) {
            box->defaultButton() ? box->defaultButton()->click() : buttons.first()->click();
            return;
        }
    }
    if (auto* plain = qobject_cast<QDialog*>(dialog))
        plain->reject();
    else
        dialog->close();
}

void CloseStrayDialogs() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        CloseDialog(modal);
        QApplication::processEvents();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
}

} // namespace tessel::testing
