// What the window's command classes share: the window, the open package, the folder view,
// the status bar and the command runner. The main window owns them all.
#pragma once

#include "command_runner.h"
#include "folder_browser.h"
#include "package.h"
#include "status_panels.h"

class QWidget;

namespace tessel::ui {

struct WindowContext {
    QWidget* window;
    Package& package;
    FolderBrowser& browser;
    StatusPanels& status;
    CommandRunner& runner;

    // The status bar and the folders' sizes after an edit: the totals and the selection
    // anew.
    void refreshStatus() const {
        browser.remeasureFolders();
        status.showTotals(browser.currentFolder());
        status.showPackageTotals(package.isOpen() ? package.tree().root() : nullptr);
        status.showSelection(browser.selectedEntries());
    }
};

} // namespace tessel::ui
