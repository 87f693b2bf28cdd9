// What the window keeps between runs, in the user's configuration folder
// (~/.config/tessel/tessel.conf).
#pragma once

#include <QSettings>

namespace tessel::ui {

class Settings : public QSettings {
public:
    Settings() : QSettings("tessel", "tessel") {}
};

// Whether Delete asks first; the user may tell it not to.
inline constexpr const char* kAskBeforeDeleting = "confirmations/askBeforeDeleting";
inline constexpr const char* kLastExtractionFolder = "extraction/lastFolder";
// Whether extracted files take their entries' dates.
inline constexpr const char* kKeepExtractionDates = "extraction/keepDates";
inline constexpr const char* kWindowGeometry = "window/geometry";
inline constexpr const char* kListColumns = "window/columns";
// The column the list is sorted by (-1: none) and whether that sort is reversed.
inline constexpr const char* kSortColumn = "list/sortColumn";
inline constexpr const char* kSortReversed = "list/sortReversed";
// Whether the preview pane shows, and how the list and the pane share the window's width.
inline constexpr const char* kPreviewShown = "window/previewShown";
inline constexpr const char* kFolderTreeShown = "window/folderTreeShown";
// The folder tree, the list and the preview pane, left to right.
inline constexpr const char* kMainAreaSplit = "window/mainAreaPanes";
// The packages opened last, the latest first.
inline constexpr const char* kRecentPackages = "packages/recent";
inline constexpr int kRecentPackageCount = 8;

} // namespace tessel::ui
