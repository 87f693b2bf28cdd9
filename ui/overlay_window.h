// The merged view: several packages and folders seen as the game reads them, the one at
// the top of the list taking precedence. The list of sources is ordered by dragging, added
// to and taken from; the order of a folder's packages is remembered for that folder. The
// view only reads: edits happen in a package, which "Show in Its Package" opens.
#pragma once

#include "file_source.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QStandardItemModel;
class QTableView;
class QTreeView;

namespace tessel::ui {

class MergedListModel;
class PreviewViews;

class OverlayWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit OverlayWindow(QWidget* parent = nullptr);
    ~OverlayWindow() override;

    // Every package in the folder, in the order remembered for it, new ones after.
    void openFolderOfPackages(const QString& folder);
    // The sources as given, the first taking precedence.
    void setSources(const QStringList& sources);
    QStringList sources() const;
    MergedListModel* model() const { return model_; }
    QTableView* view() const { return view_; }
    QTreeView* folders() const { return folders_; }
    PreviewViews* preview() const { return preview_; }

    // Writes the selected paths (all when none is selected) as the game reads them.
    void extractSelection(const QString& destination);
    // Waits for the comparison of the shadowed copies (it runs beside the window).
    void waitForComparison();

signals:
    void showInPackage(const QString& package, const QString& entryPath);

private:
    // Reads every source anew and shows the merged tree; a source that cannot be read is
    // named and nothing is shown, since a partial view would mislead.
    void rebuild();
    void addSources(bool folders);
    void chooseExtraction();
    void showChosenInItsPackage();
    // The preview follows the list's current row, showing the file that wins.
    void previewCurrent();
    // Stops the comparison of the copies under way, and waits for it to let go.
    void stopComparing();

    QListWidget* list_;
    QTableView* view_;
    QComboBox* filter_;
    MergedListModel* model_;
    QTreeView* folders_;
    QStandardItemModel* folderModel_;
    QLabel* previewTitle_;
    PreviewViews* preview_;
    QString folder_;
    std::vector<FileSource> read_;
    // The shadowed copies are read against their winners off the window's thread, so that
    // the merged tree shows at once.
    QFutureWatcher<std::vector<char>>* comparing_;
    std::atomic<bool> stop_{false};
    QString comparisonError_;
};

} // namespace tessel::ui
