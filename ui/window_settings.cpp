#include "window_settings.h"

#include "folder_browser.h"
#include "folder_list_view.h"
#include "settings.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>

namespace tessel::ui {

namespace {

constexpr int kDesignedWidth = 737;
constexpr int kDesignedHeight = 364;
constexpr int kDesignedLeft = 222;
constexpr int kDesignedTop = 226;

} // namespace

void PlaceWindow(QMainWindow& window) {
    const Settings settings;
    if (window.restoreGeometry(settings.value(kWindowGeometry).toByteArray()))
        return;
    window.resize(kDesignedWidth, kDesignedHeight);
    window.move(kDesignedLeft, kDesignedTop);
    // The designed place may lie off a small or scaled screen: then the window is centred
    // on the screen it opens on, and no larger than it.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (available.contains(QRect(window.pos(), window.size())))
        return;
    window.resize(window.size().boundedTo(available.size()));
    window.move(available.center() - window.rect().center());
}

void RestoreListSettings(FolderBrowser& browser) {
    const Settings settings;
    browser.list()->header()->restoreState(settings.value(kListColumns).toByteArray());
    browser.sort().restore(settings.value(kSortColumn, -1).toInt(),
                           settings.value(kSortReversed, false).toBool());
}

void SaveWindowSettings(const QMainWindow& window, const FolderBrowser& browser) {
    Settings settings;
    const ColumnSortState& sort = browser.sort();
    settings.setValue(kWindowGeometry, window.saveGeometry());
    settings.setValue(kListColumns, browser.list()->header()->saveState());
    settings.setValue(kSortColumn, sort.active() ? sort.activeColumn() : -1);
    settings.setValue(kSortReversed, sort.active() && sort.active()->reversed);
}

void RestorePaneSettings(QSplitter& mainArea, QWidget& folderTree, QWidget& preview) {
    const Settings settings;
    if (!mainArea.restoreState(settings.value(kMainAreaSplit).toByteArray())) {
        // The list keeps the larger part of the width.
        const int width = std::max(mainArea.width(), kDesignedWidth);
        mainArea.setSizes({width / 6, width * 3 / 6, width * 2 / 6});
    }
    folderTree.setVisible(settings.value(kFolderTreeShown, true).toBool());
    preview.setVisible(settings.value(kPreviewShown, true).toBool());
}

void SavePaneSettings(const QSplitter& mainArea, const QWidget& folderTree, const QWidget& preview) {
    Settings settings;
    settings.setValue(kMainAreaSplit, mainArea.saveState());
    settings.setValue(kFolderTreeShown, !folderTree.isHidden());
    settings.setValue(kPreviewShown, !preview.isHidden());
}

} // namespace tessel::ui
