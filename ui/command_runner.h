// Running the window's commands: one at a time, their errors shown in the standard error
// box, a package changed behind our back met with an offer to reload it, and runs with
// the progress window, during which the window takes no other command.
#pragma once

#include "progress.h"

#include <QObject>
#include <functional>
#include <memory>

class QWidget;

namespace tessel::ui {

class Form3;
class RunGuard;

// What a run of extraction did: the files it went through (and of those, the ones it left
// because a file was kept), the bytes, and whether it was cancelled.
struct RunOutcome {
    qint64 files = 0;
    qint64 kept = 0;
    qint64 bytes = 0;
    // Of the bytes, those of the files kept.
    qint64 keptBytes = 0;
    bool cancelled = false;
};

class CommandRunner : public QObject {
    Q_OBJECT
public:
    explicit CommandRunner(QWidget* window);
    ~CommandRunner() override;

    // What "Reload" does when a command finds the package changed on disk.
    void setReload(std::function<void()> reload) { reload_ = std::move(reload); }
    // What follows every command, whatever it did: the views that show the package look
    // at it again.
    void setAfterCommand(std::function<void()> after) { after_ = std::move(after); }
    // What comes before every command: the last one's result goes.
    void setBeforeCommand(std::function<void()> before) { before_ = std::move(before); }

    // Runs a command; an error it raises is shown in the standard error box, a cancel ends
    // it quietly. While a run is under way no command runs.
    void run(const std::function<void()>& command);
    bool busy() const { return busy_; }
    // Closes the window to commands until the guard goes (a drag, a drop).
    std::unique_ptr<RunGuard> hold();

    Form3* progressWindow() const { return progress_; }
    // Runs an extraction with the progress window; files in the way are replaced unless
    // the question says to keep them.
    using ExistingQuestion = std::function<ExistingFile(const TreeNode*, const std::string&)>;
    // `duplicate` is asked about an entry that lands where an earlier one was written.
    RunOutcome runWithProgress(const std::function<void(const ProgressObserver&)>& run,
                               const ExistingQuestion& existing = {}, const ExistingQuestion& duplicate = {});

private:
    QWidget* window_;
    Form3* progress_;
    std::function<void()> reload_;
    std::function<void()> after_;
    std::function<void()> before_;
    bool busy_ = false;
};

} // namespace tessel::ui
