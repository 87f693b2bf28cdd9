// What the window remembers between runs of its own shape: its place and size, the
// columns and the sort.
#pragma once

class QMainWindow;
class QSplitter;
class QWidget;

namespace tessel::ui {

class FolderBrowser;

// The place and size remembered, else the designed ones where the screen has room for them.
void PlaceWindow(QMainWindow& window);
void RestoreListSettings(FolderBrowser& browser);
void SaveWindowSettings(const QMainWindow& window, const FolderBrowser& browser);
// The folder tree and the preview pane beside the list: shown the first time, then as they
// were left.
void RestorePaneSettings(QSplitter& mainArea, QWidget& folderTree, QWidget& preview);
void SavePaneSettings(const QSplitter& mainArea, const QWidget& folderTree, const QWidget& preview);

} // namespace tessel::ui
