// folder_view_bench [FILES] [RUNS]: a folder of FILES files (100,000 by default) in the
// window on the offscreen platform. Medians of ShowFolder, of a sort by each column, of
// Select All with its statistics and of each keystroke typed into the filter, each with
// the repaint that follows; then the same rows put into a widget-per-row list (QTreeWidget)
// as the naive way, timed in the same run.
#include "folder_list_model.h"
#include "main_window.h"
#include "package_builder.h"
#include "tessel_application.h"
#include "window_timing.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using tessel::bench::MedianMs;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tessel::testing::TempDir dir;
    // The user's remembered sort and window are not the bench's.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path()));
    tessel::ui::TesselApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;

    tessel::testing::PackageBuilder builder;
    builder.folder("big");
    for (int i = 0; i < files; ++i)
        builder.file("entry" + std::to_string((i * 7919) % files) + ".tbl", "",
                     1100000000 + (i * 104729) % 50000000);
    builder.end();
    builder.writeTo(dir.file("big.vp"));

    tessel::ui::Form1 window;
    window.resize(1000, 700);
    window.show();
    window.LoadPackage(dir.file("big.vp"));
    const tessel::TreeNode* big = window.folderTree().root()->firstChild();
    auto nothing = [] {};
    auto showRoot = [&] { window.ShowFolder(window.folderTree().root()); };

    const double show = MedianMs(runs, showRoot, [&] { window.ShowFolder(big); });
    // The top level's folder row measures the bytes of every entry below it.
    const double top = MedianMs(
        runs, [&] { window.ShowFolder(big); }, showRoot);
    const double open = MedianMs(runs, nothing, [&] { window.LoadPackage(dir.file("big.vp")); });
    big = window.folderTree().root()->firstChild();
    const double byName = MedianMs(runs, nothing, [&] { window.ListView1ColumnClick(0); });
    const double bySize = MedianMs(runs, nothing, [&] { window.ListView1ColumnClick(1); });
    const double byDate = MedianMs(runs, nothing, [&] { window.ListView1ColumnClick(3); });
    const double selectAll = MedianMs(
        runs, [&] { window.findChild<QTreeView*>("ListView1")->clearSelection(); },
        [&] { window.SelectAll1Click(); });

    // The filter, typed a keystroke at a time, as a user narrows the folder down.
    window.ShowFolder(window.folderTree().root());
    window.findChild<QAction*>("Filter")->trigger();
    auto* filter = window.findChild<QLineEdit*>("FilterEdit");
    window.ShowFolder(big);
    const QString typed = "entry12*7.t";
    std::vector<double> keystrokes;
    for (int i = 1; i <= typed.size(); ++i) {
        keystrokes.push_back(MedianMs(
            runs, [&] { filter->setText(typed.left(i - 1)); }, [&] { filter->setText(typed.left(i)); }));
    }
    filter->clear();
    const double slowestKeystroke = *std::max_element(keystrokes.begin(), keystrokes.end());
    std::sort(keystrokes.begin(), keystrokes.end());
    const double medianKeystroke = keystrokes[keystrokes.size() / 2];
    window.ShowFolder(window.folderTree().root());

    QTreeWidget naive;
    naive.setColumnCount(4);
    naive.resize(1000, 700);
    naive.show();
    const QIcon icon(":/icons/document16.png");
    const double naiveShow = MedianMs(
        runs, [&] { naive.clear(); },
        [&] {
            QList<QTreeWidgetItem*> items;
            items.reserve(files);
            for (const tessel::TreeNode* node = big->firstChild(); node; node = node->nextSibling()) {
                const tessel::EntryRecord& record = *node->record();
                auto* item = new QTreeWidgetItem(
                    QStringList{QString::fromStdString(std::string(node->text())),
                                QLocale::system().toString(record.Size), "Kyth Data File",
                                tessel::ui::FolderListModel::ModifiedText(record.Timestamp)});
                item->setIcon(0, icon);
                items.append(item);
            }
            naive.addTopLevelItems(items);
        });

    std::printf("folder of %d files, median of %d runs (offscreen)\n", files, runs);
    std::printf("ShowFolder:             %7.1f ms (target at most 200)\n", show);
    std::printf("ShowFolder of the top, its folder's size measured: %.1f ms\n", top);
    std::printf("LoadPackage with the folder tree and the package's totals: %.1f ms\n", open);
    std::printf("sort by Name:           %7.1f ms (target at most 200)\n", byName);
    std::printf("sort by Size:           %7.1f ms (target at most 200)\n", bySize);
    std::printf("sort by Modified:       %7.1f ms (target at most 200)\n", byDate);
    std::printf("Select All + statistics:%7.1f ms (target at most 100)\n", selectAll);
    std::printf("filter, per keystroke of \"%s\": median %.1f ms, slowest %.1f ms (target at most 50); "
                "ratio of the slowest to ShowFolder %.2f\n",
                qPrintable(typed), medianKeystroke, slowestKeystroke, slowestKeystroke / show);
    std::printf("naive widget-per-row list of the same rows: %.1f ms; ShowFolder is %.1fx faster\n",
                naiveShow, naiveShow / show);
    return 0;
}
