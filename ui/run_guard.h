// While a run (an extraction, an adding run, a drag) is under way, the main window takes no
// commands: its input is swallowed, while it still repaints and the progress window stays
// usable. A run must not let another command free the tree nodes that it walks.
#pragma once

#include <QObject>

class QWidget;

namespace tessel::ui {

class RunGuard : public QObject {
public:
    RunGuard(QWidget* window, bool& busy);
    ~RunGuard() override;
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool& busy_;
    bool wasBusy_;
};

} // namespace tessel::ui
