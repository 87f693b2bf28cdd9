#include "command_runner.h"

#include "choice_box.h"
#include "error_box.h"
#include "package_error.h"
#include "progress_window.h"
#include "run_guard.h"

#include <QWidget>
#include <exception>
#include <utility>

namespace tessel::ui {

CommandRunner::CommandRunner(QWidget* window)
    : QObject(window), window_(window), progress_(new Form3(window)) {}

CommandRunner::~CommandRunner() = default;

void CommandRunner::run(const std::function<void()>& command) {
    if (busy_)
        return;
    if (before_)
        before_();
    try {
        command();
    } catch (const RunCancelled&) {
        // The user asked for it: nothing to report.
    } catch (const PackageChangedError& error) {
        // The one way on is to read the package anew: offer it.
        const Choice choice =
            Ask(window_, {"ChangedOnDiskBox",
                          kApplicationTitle,
                          ErrorBoxText(QString::fromStdString(error.what())),
                          "Reload it to see it as it is now; the folder shown stays where it can.",
                          {"Reload", "Close"},
                          QString()});
        if (choice.button == 0 && reload_)
            run(reload_);
    } catch (const std::exception& error) {
        ShowErrorBox(window_, QString::fromStdString(error.what()));
    }
    if (after_)
        after_();
}

std::unique_ptr<RunGuard> CommandRunner::hold() {
    return std::make_unique<RunGuard>(window_, busy_);
}

RunOutcome CommandRunner::runWithProgress(const std::function<void(const ProgressObserver&)>& run,
                                          const ExistingQuestion& existing,
                                          const ExistingQuestion& duplicate) {
    const RunGuard guard(window_, busy_);
    progress_->showForRun();
    RunOutcome outcome;
    const ProgressCallback shown = progress_->callback();
    // A file kept is said before its entry's progress, which counts its bytes.
    bool keptLast = false;
    ProgressObserver observer{[&](const ProgressEvent& event) {
        if (event.node && event.node->isFile()) {
            ++outcome.files;
            if (std::exchange(keptLast, false))
                outcome.keptBytes += event.node->record()->Size;
        }
        outcome.bytes = event.bytes;
        shown(event);
    }};
    observer.existing = existing;
    observer.duplicate = duplicate;
    observer.skipped = [&](const std::string&, const std::string&) {
        ++outcome.kept;
        keptLast = true;
    };
    try {
        run(observer);
    } catch (const RunCancelled&) {
        progress_->hide();
        outcome.cancelled = true;
    } catch (...) {
        progress_->hide();
        throw;
    }
    return outcome;
}

} // namespace tessel::ui
