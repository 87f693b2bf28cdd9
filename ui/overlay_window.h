// The merged view: several packages and folders seen as the game reads them, the one at
// the top of the list taking precedence. The list of sources is ordered by dragging, added
// to and taken from; the order of a folder's packages is remembered for that folder. The
// view only reads: edits happen in a package, which "Show in Its Package" opens.
#pragma once

#include "file_source.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <vector>

class QListWidget;
class QTableView;
class QComboBox;

namespace tessel::ui {

class MergedListModel;

class OverlayWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit OverlayWindow(QWidget* parent = nullptr);

    // Every package in the folder, in the order remembered for it, new ones after.
    void openFolderOfPackages(const QString& folder);
    // The sources as given, the first taking precedence.
    void setSources(const QStringList& sources);
    QStringList sources() const;
    MergedListModel* model() const { return model_; }
    QTableView* view() const { return view_; }

    // Writes the selected paths (all when none is selected) as the game reads them.
    void extractSelection(const QString& destination);

signals:
    void showInPackage(const QString& package, const QString& entryPath);

private:
    // Reads every source anew and shows the merged tree; a source that cannot be read is
    // named and nothing is shown, since a partial view would mislead.
    void rebuild();
    void addSources(bool folders);
    void chooseExtraction();
    void showChosenInItsPackage();

    QListWidget* list_;
    QTableView* view_;
    QComboBox* filter_;
    MergedListModel* model_;
    QString folder_;
    std::vector<FileSource> read_;
};

} // namespace tessel::ui
