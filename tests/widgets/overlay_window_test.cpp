#include "line_numbered_edit.h"
#include "merged_folders.h"
#include "merged_list_model.h"
#include "modal_driver.h"
#include "overlay_window.h"
#include "package_builder.h"
#include "preview_views.h"
#include "settings.h"
#include "text_preview.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>

using tessel::testing::ModalDriver;
using tessel::testing::PackageBuilder;
using tessel::ui::MergedListModel;
using tessel::ui::OverlayWindow;

namespace {

QStringList Column(OverlayWindow& window, int column) {
    QStringList texts;
    for (int row = 0; row < window.model()->rowCount(); ++row)
        texts << window.model()->index(row, column).data().toString();
    return texts;
}

} // namespace

class OverlayWindowTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    QString folder;

private slots:
    void initTestCase() {
        tessel::ui::Settings().clear();
        folder = QString::fromStdString(dir.file("mods"));
        std::filesystem::create_directories(dir.file("mods"));
        PackageBuilder()
            .file("a.tbl", "base a")
            .file("b.tbl", "b")
            .file("c.tbl", "c")
            .writeTo(dir.file("mods/base.vp"));
        PackageBuilder().file("A.TBL", "mod a").file("b.tbl", "b").writeTo(dir.file("mods/mod.vp"));
    }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void theOrderDecidesTheWinnerAndIsRememberedForTheFolder() {
        OverlayWindow window;
        window.openFolderOfPackages(folder);
        // The copies are compared beside the window, after the paths show.
        QCOMPARE(Column(window, MergedListModel::ShadowsColumn).first(), QString("mod.vp (comparing)"));
        window.waitForComparison();
        QCOMPARE(Column(window, MergedListModel::FromColumn), (QStringList{"base.vp", "base.vp", "base.vp"}));
        QCOMPARE(Column(window, MergedListModel::ShadowsColumn),
                 (QStringList{"mod.vp (differs)", "mod.vp (same)", ""}));
        window.setSources({folder + "/mod.vp", folder + "/base.vp"});
        QCOMPARE(Column(window, MergedListModel::PathColumn), (QStringList{"A.TBL", "b.tbl", "c.tbl"}));
        QCOMPARE(Column(window, MergedListModel::FromColumn), (QStringList{"mod.vp", "mod.vp", "base.vp"}));
        OverlayWindow again;
        again.openFolderOfPackages(folder);
        again.waitForComparison();
        QCOMPARE(again.sources(), (QStringList{folder + "/mod.vp", folder + "/base.vp"}));
        // The filters: paths several sources hold, and those whose copies differ.
        const std::pair<MergedListModel::Filter, QStringList> filters[] = {
            {MergedListModel::Filter::Conflicts, {"A.TBL", "b.tbl"}},
            {MergedListModel::Filter::Differing, {"A.TBL"}},
            {MergedListModel::Filter::All, {"A.TBL", "b.tbl", "c.tbl"}},
        };
        for (const auto& [filter, paths] : filters) {
            again.model()->setFilter(filter);
            QCOMPARE(Column(again, MergedListModel::PathColumn), paths);
        }
    }

    void extractsWhatTheGameReadsAndShowsTheSupplyingPackage() {
        OverlayWindow window;
        window.setSources({folder + "/mod.vp", folder + "/base.vp"});
        const std::string out = dir.file("merged");
        window.extractSelection(QString::fromStdString(out));
        QCOMPARE(tessel::testing::ReadFileBytes(out + "/A.TBL"), std::string("mod a"));
        QCOMPARE(tessel::testing::ReadFileBytes(out + "/c.tbl"), std::string("c"));
        QSignalSpy shown(&window, &OverlayWindow::showInPackage);
        window.view()->setCurrentIndex(window.model()->index(2, 0));
        window.findChild<QAction*>("ShowInItsPackage")->trigger();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().value(0).toString(), folder + "/base.vp");
        QCOMPARE(shown.first().value(1).toString(), QString("c.tbl"));
    }

    void theFolderTreeNarrowsTheListWhichSortsByColumnAndPreviewsTheWinner() {
        std::filesystem::create_directories(dir.file("tree"));
        PackageBuilder()
            .file("top.txt", "t")
            .folder("data")
            .file("one.txt", "base one")
            .folder("deep")
            .file("two.txt", "22")
            .end()
            .end()
            .writeTo(dir.file("tree/base.vp"));
        PackageBuilder()
            .folder("DATA")
            .file("ONE.TXT", "mod one, longer")
            .end()
            .writeTo(dir.file("tree/mod.vp"));
        OverlayWindow window;
        const QString tree = QString::fromStdString(dir.file("tree"));
        window.setSources({tree + "/mod.vp", tree + "/base.vp"});
        QTreeView* folders = window.folders();
        const QModelIndex data = folders->model()->index(0, 0, folders->model()->index(0, 0));
        QCOMPARE(data.data().toString(), QString("data"));
        const struct {
            QModelIndex folder;
            int column;
            Qt::SortOrder order;
            QStringList paths;
        } rows[] = {
            {folders->model()->index(0, 0),
             MergedListModel::SizeColumn,
             Qt::DescendingOrder,
             {"DATA/ONE.TXT", "data/deep/two.txt", "top.txt"}},
            {folders->model()->index(0, 0),
             MergedListModel::FromColumn,
             Qt::AscendingOrder,
             {"DATA/ONE.TXT", "data/deep/two.txt", "top.txt"}},
            {folders->model()->index(0, 0),
             MergedListModel::PathColumn,
             Qt::DescendingOrder,
             {"top.txt", "DATA/ONE.TXT", "data/deep/two.txt"}},
            {data, MergedListModel::PathColumn, Qt::AscendingOrder, {"data/deep/two.txt", "DATA/ONE.TXT"}},
            {folders->model()->index(0, 0, data),
             MergedListModel::SizeColumn,
             Qt::AscendingOrder,
             {"data/deep/two.txt"}},
        };
        for (const auto& row : rows) {
            folders->setCurrentIndex(row.folder);
            window.view()->sortByColumn(row.column, row.order);
            QCOMPARE(Column(window, MergedListModel::PathColumn), row.paths);
        }
        // The preview shows the winning copy, and does not let it be edited here.
        folders->setCurrentIndex(data);
        window.view()->setCurrentIndex(window.model()->index(1, 0));
        // The answers of the comparison keep the user's place.
        window.waitForComparison();
        QCOMPARE(window.view()->currentIndex().row(), 1);
        QTRY_VERIFY(!window.preview()->loading() && window.preview()->showsText());
        QCOMPARE(window.preview()->textView()->text(), QString("mod one, longer"));
        QVERIFY(window.preview()->textView()->editor()->isReadOnly());
        // A folder's file wins over the packages' and is previewed from the disk.
        std::filesystem::create_directories(dir.file("tree/loose/data"));
        tessel::testing::WriteFileBytes(dir.file("tree/loose/data/one.txt"), "loose one");
        window.setSources({tree + "/loose", tree + "/mod.vp", tree + "/base.vp"});
        window.view()->sortByColumn(MergedListModel::PathColumn, Qt::AscendingOrder);
        window.view()->setCurrentIndex(window.model()->index(1, 0));
        QTRY_VERIFY(!window.preview()->loading() && window.preview()->showsText());
        QCOMPARE(window.preview()->textView()->text(), QString("loose one"));
    }

    // Folders of one path in other cases are one folder, spelled as the first path spells it.
    void theFoldersOfTheMergedTreeAreOnePerKey() {
        const std::vector<tessel::SourceFile> files = {
            {"Data/a", 1, 0, 0}, {"DATA/Sub/b", 1, 0, 0}, {"data/sub/c", 1, 0, 0}, {"top", 1, 0, 0}};
        std::vector<tessel::MergedPath> paths;
        for (const tessel::SourceFile& file : files)
            paths.push_back({{{0, &file, true}}});
        QStandardItemModel model;
        tessel::ui::FillMergedFolders(model, paths);
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex top = model.index(0, 0);
        QCOMPARE(model.rowCount(top), 1);
        const QModelIndex data = model.index(0, 0, top);
        const QModelIndex sub = model.index(0, 0, data);
        QCOMPARE(model.rowCount(data), 1);
        QCOMPARE((QStringList{data.data().toString(), sub.data().toString()}), (QStringList{"Data", "Sub"}));
        QCOMPARE((QStringList{data.data(tessel::ui::kFolderKeyRole).toString(),
                              sub.data(tessel::ui::kFolderKeyRole).toString()}),
                 (QStringList{"DATA/", "DATA/SUB/"}));
    }

    void aSourceThatCannotBeReadShowsNothingButTheReason() {
        OverlayWindow window;
        ModalDriver error(tessel::testing::CloseDialog, 8000);
        window.setSources({folder + "/mod.vp", folder + "/missing.vp"});
        QVERIFY(error.text().contains("missing.vp"));
        QCOMPARE(window.model()->rowCount(), 0);
    }
};

QTEST_MAIN(OverlayWindowTest)
#include "overlay_window_test.moc"
