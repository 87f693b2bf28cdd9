#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
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

ModalSequence::ModalSequence(std::vector<ModalDriver::Answer> answers, int timeoutMs)
    : answers_(std::move(answers)), remainingPolls_(timeoutMs / kPollMs) {
    connect(&timer_, &QTimer::timeout, this, &ModalSequence::poll);
    timer_.start(kPollMs);
}

void ModalSequence::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    // A box made where the last one was may have its address: a mark tells them apart.
    if (modal && !modal->property("answeredByTest").toBool() && texts_.size() < answers_.size()) {
        modal->setProperty("answeredByTest", true);
        auto* box = qobject_cast<QMessageBox*>(modal);
        texts_ << (box ? box->text() + "\n" + box->informativeText() : modal->windowTitle());
        answers_[std::size_t(texts_.size() - 1)](modal);
        return;
    }
    if (--remainingPolls_ <= 0) {
        timer_.stop();
        CloseStrayDialogs();
    }
}

ModalDriver::Answer Press(const QString& buttonText, bool tick) {
    return [buttonText, tick](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box)
            return CloseDialog(dialog);
        if (tick && box->checkBox())
            box->checkBox()->setChecked(true);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == buttonText)
                return button->click();
        }
        CloseDialog(dialog);
    };
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
