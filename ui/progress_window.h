// "Extracting archive": the window that follows a run of extraction or adding, and the
// progress callback that feeds it. Its Cancel button stops a run between two items.
#pragma once

#include "progress.h"

#include <QDialog>
#include <QElapsedTimer>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tessel::ui {

class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    QLabel* StaticText1 = nullptr;
    QLabel* LFile = nullptr;
    QLabel* LProgress = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* CancelButton = nullptr;

    // Shows the window, centred over its parent, unless it is up already; forgets an
    // earlier Cancel.
    void showForRun();
    // The callback of a run: texts, percentage, and the events that keep the program
    // alive. Throws RunCancelled after Cancel was pressed.
    void Progress(const std::string& caption, const std::string& name, std::int32_t total,
                  std::int32_t index);
    ProgressCallback callback();

    bool cancelRequested() const { return cancelRequested_; }

    // Escape and the close box are a Cancel: the window never goes while the run goes on.
    void reject() override;

private:
    bool cancelRequested_ = false;
    QElapsedTimer sinceEvents_;
};

// The percentage as the window shows it: Index ÷ Total × 100 with no decimals, halves
// rounded up, followed by "%".
QString PercentText(std::int32_t total, std::int32_t index);

} // namespace tessel::ui
