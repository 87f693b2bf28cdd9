// merged_view_bench PACKAGE... [-- RUNS]: the merged view of the packages in the window on
// the offscreen platform. Medians of showing the merged tree of them all and of each filter,
// against the same view of the first package alone, timed in the same run.
#include "merged_list_model.h"
#include "overlay_window.h"
#include "package_builder.h"
#include "tessel_application.h"
#include "window_timing.h"

#include <QApplication>
#include <QTableView>
#include <cstdio>
#include <functional>
#include <vector>

using tessel::bench::MedianMs;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tessel::testing::TempDir dir;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path()));
    tessel::ui::TesselApplication app(argc, argv);
    QStringList packages;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (QString(argv[i]) == "--" && i + 1 < argc) {
            runs = std::atoi(argv[i + 1]);
            break;
        }
        packages << QString::fromLocal8Bit(argv[i]);
    }
    if (packages.isEmpty()) {
        std::fprintf(stderr, "usage: merged_view_bench PACKAGE... [-- RUNS]\n");
        return 2;
    }
    tessel::ui::OverlayWindow window;
    window.resize(1000, 700);
    window.show();
    using Filter = tessel::ui::MergedListModel::Filter;
    const auto nothing = [] {};
    const double one = MedianMs(runs, nothing, [&] { window.setSources({packages.first()}); });
    const auto filterAndBack = [&] {
        window.model()->setFilter(Filter::Conflicts);
        window.model()->setFilter(Filter::All);
    };
    const auto sortAndBack = [&] {
        window.view()->sortByColumn(tessel::ui::MergedListModel::SizeColumn, Qt::DescendingOrder);
        window.view()->sortByColumn(tessel::ui::MergedListModel::PathColumn, Qt::AscendingOrder);
    };
    const double oneFilter = MedianMs(runs, nothing, filterAndBack);
    const double oneSort = MedianMs(runs, nothing, sortAndBack);
    const double all = MedianMs(runs, nothing, [&] { window.setSources(packages); });
    const double compared = MedianMs(runs, nothing, [&] {
        window.setSources(packages);
        window.waitForComparison();
    });
    const double allFilter = MedianMs(runs, nothing, filterAndBack);
    const double allSort = MedianMs(runs, nothing, sortAndBack);
    std::printf("merged view, median of %d runs (offscreen)\n", runs);
    std::printf("  %lld packages: shown in %.1f ms (target at most 1000); %d paths\n",
                static_cast<long long>(packages.size()), all, window.model()->rowCount());
    std::printf("  the shadowed copies compared beside it: all done after %.1f ms\n", compared);
    std::printf("  the first alone: %.1f ms; ratio %.2f\n", one, all / one);
    std::printf("  a filter and back: %.1f ms, against %.1f ms for the first alone; ratio %.2f\n", allFilter,
                oneFilter, allFilter / oneFilter);
    std::printf("  a sort by size and back: %.1f ms, against %.1f ms for the first alone; ratio %.2f\n",
                allSort, oneSort, allSort / oneSort);
    return 0;
}
