#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "settings.h"
#include "window_parts.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QTest>

using tessel::testing::ColumnTexts;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::FolderListModel;
using tessel::ui::Form1;

namespace {

constexpr std::int32_t kJune1 = 1117627200;     // 2005-06-01 12:00
constexpr std::int32_t kJune1Late = 1117670400; // 2005-06-02 00:00
constexpr std::int32_t kMarch3 = 1109851200;    // 2005-03-03 12:00

// A double-click as the window system delivers it: a click, then the double-click.
void DoubleClick(QWidget* viewport, QPoint at) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}

} // namespace

class FolderViewTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string mixed, other;

private slots:
    void initTestCase() {
        tessel::ui::Settings().clear();
        mixed = dir.file("mixed.vp");
        other = dir.file("other.vp");
        PackageBuilder()
            .folder("home")
            .folder("P")
            .file("deep", "d")
            .end()
            .folder("Q")
            .end()
            .folder("R")
            .end()
            .file("x", std::string(1234567, 'x'), kJune1)
            .file("y", "yy", kMarch3)
            .end()
            .folder("empty3")
            .folder("a")
            .end()
            .folder("b")
            .end()
            .folder("c")
            .end()
            .end()
            .folder("sorts")
            .file("beta", std::string(300, 'b'), kMarch3)
            .file("Alpha", std::string(20, 'a'), kJune1)
            .file("nodate", std::string(5000, 'n'), -5)
            .file("alpha", std::string(1000, 'a'), kJune1Late)
            .file("gamma", std::string(7, 'g'), kJune1)
            .end()
            .file("top.txt", "t", kJune1)
            .writeTo(mixed);
        PackageBuilder().folder("only").file("z", "z").file("a", "aa").end().writeTo(other);
    }

    void theRootHasNoWayUpRowAndShowsItsPath() {
        Form1 window;
        window.LoadPackage(mixed);
        QCOMPARE(RowNames(window), (QStringList{"sorts", "empty3", "home", "top.txt"}));
        window.ShowFolder(window.folderTree().root());
        QCOMPARE(Parts(window).Edit1->text(), QString::fromStdString(mixed) + "/");
        QCOMPARE(Parts(window).StatusPanel1->text(), QString("Total 3 folders and 1 Bytes in 1 files"));
    }

    void foldersComeFirstInReverseOrderThenFilesInOrder() {
        Form1 window;
        window.LoadPackage(mixed);
        window.ShowFolder(window.folderTree().root()->firstChild());
        QCOMPARE(RowNames(window), (QStringList{"..", "R", "Q", "P", "x", "y"}));
        // A folder's size is the bytes of every file inside it.
        QCOMPARE(ColumnTexts(window, 1), (QStringList{"", "0", "0", "1", "1.234.567", "2"}));
        QCOMPARE(ColumnTexts(window, 2).mid(0, 4), (QStringList{"", "Folder", "Folder", "Folder"}));
        QCOMPARE(ColumnTexts(window, 3), (QStringList{"", "", "", "", "01.06.05 12:00", "03.03.05 12:00"}));
        QCOMPARE(Parts(window).Edit1->text(), QString::fromStdString(mixed) + "/home/");
        QCOMPARE(Parts(window).StatusPanel1->text(),
                 QString("Total 3 folders and 1.234.569 Bytes in 2 files"));
        auto* model = Parts(window).ListView1->model();
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!model->index(4, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(window.CurrentFolder(), window.folderTree().root()->firstChild());
    }

    void typesComeFromTheDesktopByNameThenByContent() {
        const std::string typed = dir.file("typed.vp");
        const std::string png = "\x89PNG\r\n\x1a\n" + std::string(24, '\0');
        PackageBuilder()
            .file("notes.TXT", std::string(3, '\0'))
            .file("picture", png)
            .file("lines", "plain words\n")
            .file("blob.zz9", std::string(64, '\0'))
            .writeTo(typed);
        Form1 window;
        window.LoadPackage(typed);
        const auto comment = [](const char* mime) {
            QString name = QMimeDatabase().mimeTypeForName(mime).comment();
            name[0] = name[0].toUpper();
            return name;
        };
        // By name even when the bytes say otherwise; by content for names the database does
        // not know; a data file when neither tells.
        QCOMPARE(ColumnTexts(window, 2), (QStringList{comment("text/plain"), comment("image/png"),
                                                      comment("text/plain"), "Data file"}));
        auto* model = Parts(window).ListView1->model();
        const auto icon = [&](int row) {
            return model->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        };
        QVERIFY(!icon(0).isNull());
        QVERIFY(icon(1).cacheKey() != icon(3).cacheKey());
        QCOMPARE(window.findChild<QLabel*>("PackageTotals")->text(), QString("Package: 4 files, 111 bytes"));
    }

    void aFolderOfFoldersHasNoBytes() {
        Form1 window;
        window.LoadPackage(mixed);
        window.ShowFolder(window.folderTree().root()->firstChild()->nextSibling());
        QCOMPARE(Parts(window).StatusPanel1->text(), QString("Total 3 folders and 0 Bytes in 0 files"));
        QCOMPARE(ColumnTexts(window, 1), (QStringList{"", "0", "0", "0"}));
    }

    void filesWithoutADateShowNoModifiedText() {
        Form1 window;
        window.LoadPackage(mixed);
        window.ShowFolder(window.folderTree().root()->firstChild()->nextSibling()->nextSibling());
        QCOMPARE(ColumnTexts(window, 3), (QStringList{"", "03.03.05 12:00", "01.06.05 12:00", "",
                                                      "02.06.05 00:00", "01.06.05 12:00"}));
    }

    void doubleClicksAndKeysWalkTheFolders() {
        Form1 window;
        window.setLauncher(std::make_unique<tessel::testing::QuietLauncher>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.LoadPackage(mixed);
        QWidget* viewport = Parts(window).ListView1->viewport();
        DoubleClick(viewport, RowCenter(window, 2)); // home
        QCOMPARE(RowNames(window).first(), QString(".."));
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));
        // Empty space below the rows does nothing.
        DoubleClick(viewport, QPoint(20, viewport->height() - 5));
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));
        DoubleClick(viewport, RowCenter(window, 3)); // P
        QCOMPARE(window.CurrentFolder()->text(), std::string("P"));
        DoubleClick(viewport, RowCenter(window, 0)); // ..
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));
        // A file row leaves the folder shown.
        DoubleClick(viewport, RowCenter(window, 4));
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));

        Parts(window).ListView1->setFocus();
        Parts(window).ListView1->setCurrentIndex(Parts(window).ListView1->model()->index(1, 0)); // R
        QTest::keyClick(Parts(window).ListView1, Qt::Key_Return);
        QCOMPARE(window.CurrentFolder()->text(), std::string("R"));
        QTest::keyClick(Parts(window).ListView1, Qt::Key_Backspace);
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));
        QTest::keyClick(Parts(window).ListView1, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(window.CurrentFolder(), window.folderTree().root());
        QTest::keyClick(Parts(window).ListView1, Qt::Key_Backspace);
        QCOMPARE(window.CurrentFolder(), window.folderTree().root());
        // Type-ahead finds a row by its name.
        QTest::keyClicks(Parts(window).ListView1, "to");
        QCOMPARE(Parts(window).ListView1->currentIndex().data().toString(), QString("top.txt"));
    }

    void theSelectionPanelFollowsTheSelectionAndCountsWhatFoldersHold() {
        Form1 window;
        window.LoadPackage(mixed);
        const tessel::TreeNode* sorts =
            window.folderTree().root()->firstChild()->nextSibling()->nextSibling();
        window.ShowFolder(sorts);
        // .., beta 300, Alpha 20, nodate 5000 (no date), alpha 1000, gamma 7
        const struct {
            QList<int> rows;
            QString text;
        } cases[] = {
            {{1, 4}, "Selected 1.300 Bytes in 2 files"},
            {{3}, "Selected 5.000 Bytes in 1 files"},
            {{0}, ""}, // ".." is no entry
            {{0, 5}, "Selected 7 Bytes in 1 files"},
            {{}, ""},
        };
        for (const auto& c : cases) {
            Parts(window).ListView1->selectionModel()->clearSelection();
            if (!c.rows.isEmpty())
                SelectRows(window, std::vector<int>(c.rows.begin(), c.rows.end()));
            QCOMPARE(Parts(window).StatusPanel0->text(), c.text);
        }
        Parts(window).SelectAll1->trigger();
        QCOMPARE(Parts(window).StatusPanel0->text(), QString("Selected 6.327 Bytes in 5 files"));
        // A folder counts with everything inside it; another folder starts with no selection.
        window.ShowFolder(window.folderTree().root());
        QCOMPARE(Parts(window).StatusPanel0->text(), QString());
        SelectRows(window, {2, 3}); // home, top.txt
        QCOMPARE(Parts(window).StatusPanel0->text(), QString("Selected 1.234.571 Bytes in 4 files"));
        window.LoadPackage(other);
        QCOMPARE(Parts(window).StatusPanel0->text(), QString());
    }

    void foldersSortAmongThemselvesAboveTheFiles() {
        Form1 window;
        window.LoadPackage(mixed);
        // Shown: sorts, empty3, home (folders in reverse), top.txt
        const struct {
            int column;
            QStringList rows;
            Qt::SortOrder arrow;
        } clicks[] = {
            {0, {"empty3", "home", "sorts", "top.txt"}, Qt::AscendingOrder},
            {0, {"sorts", "home", "empty3", "top.txt"}, Qt::DescendingOrder},
            {1, {"home", "sorts", "empty3", "top.txt"}, Qt::DescendingOrder}, // bytes inside
            {3, {"sorts", "home", "empty3", "top.txt"}, Qt::DescendingOrder}, // newest inside
            {3, {"empty3", "home", "sorts", "top.txt"}, Qt::AscendingOrder},
        };
        QHeaderView* header = Parts(window).ListView1->header();
        for (const auto& click : clicks) {
            window.ListView1ColumnClick(click.column);
            QCOMPARE(RowNames(window), click.rows);
            QCOMPARE(header->sortIndicatorSection(), click.column);
            QCOMPARE(header->sortIndicatorOrder(), click.arrow);
        }
        // Type does not sort: the arrow stays on the sort in force.
        window.ListView1ColumnClick(2);
        QCOMPARE(header->sortIndicatorSection(), 3);
        // The sort stays in force for the folders shown next.
        window.ShowFolder(window.folderTree().root()->firstChild()); // home
        QCOMPARE(RowNames(window), (QStringList{"..", "R", "Q", "P", "y", "x"}));
    }

    void theKeyboardGoesOnFromWhereItWas() {
        Form1 window;
        window.setLauncher(std::make_unique<tessel::testing::QuietLauncher>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.LoadPackage(mixed);
        auto* list = Parts(window).ListView1;
        list->setFocus();
        // The first entry is current at once; Enter goes in, and in again.
        QCOMPARE(list->currentIndex().data().toString(), QString("sorts"));
        list->setCurrentIndex(list->model()->index(2, 0)); // home
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(list->currentIndex().data().toString(), QString("R"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(window.CurrentFolder()->text(), std::string("R"));
        // Up, by the button or the keys, puts the cursor on the folder left.
        Parts(window).ToolButton3->trigger();
        QCOMPARE(window.CurrentFolder()->text(), std::string("home"));
        QCOMPARE(list->currentIndex().data().toString(), QString("R"));
        QCOMPARE(window.SelectedEntries().size(), std::size_t(1));
        QTest::keyClick(list, Qt::Key_Backspace);
        QCOMPARE(list->currentIndex().data().toString(), QString("home"));
        // F2 renames the current row.
        tessel::testing::ModalDriver rename(tessel::testing::CloseDialog);
        QTest::keyClick(list, Qt::Key_F2);
        QVERIFY(rename.answered());
        QCOMPARE(rename.title(), QString("Rename file"));
    }

    void theFilterNarrowsTheFolderAsYouType() {
        Form1 window;
        window.LoadPackage(mixed);
        window.ShowFolder(window.folderTree().root()->firstChild()->nextSibling()->nextSibling()); // sorts
        const QString totals = Parts(window).StatusPanel1->text();
        Parts(window).Filter->trigger();
        QVERIFY(Parts(window).FilterEdit->isVisibleTo(&window));
        const struct {
            QString typed;
            QStringList rows;
        } cases[] = {
            {"AL", {"..", "Alpha", "alpha"}},
            {"*a", {"..", "beta", "Alpha", "alpha", "gamma"}},
            {"?amm?", {"..", "gamma"}},
            {"b*t", {".."}},
            {"", {"..", "beta", "Alpha", "nodate", "alpha", "gamma"}},
        };
        auto* count = window.findChild<QLabel*>("FilterCount");
        for (const auto& c : cases) {
            Parts(window).FilterEdit->setText(c.typed);
            QCOMPARE(RowNames(window), c.rows);
            QCOMPARE(count->text(), QString("%1 of 5 shown").arg(c.rows.size() - 1));
            QCOMPARE(Parts(window).StatusPanel1->text(), totals);
        }
        Parts(window).FilterEdit->setText("gam");
        QTest::keyClick(Parts(window).FilterEdit, Qt::Key_Escape);
        QVERIFY(!Parts(window).FilterEdit->isVisibleTo(&window));
        QCOMPARE(RowNames(window).size(), 6);
    }

    void findInPackageShowsTheEntryInItsFolder() {
        Form1 window;
        window.LoadPackage(mixed);
        QString count;
        tessel::testing::ModalDriver find([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("FindEdit");
            edit->setText("DEEP");
            count = dialog->findChild<QLabel*>("FindCount")->text();
            static_cast<QDialog*>(dialog)->accept();
        });
        Parts(window).FindInPackage->trigger();
        QVERIFY(find.answered());
        QCOMPARE(count, QString("1 entry found"));
        QCOMPARE(window.CurrentFolder()->text(), std::string("P"));
        QCOMPARE(window.SelectedEntries().size(), std::size_t(1));
        QCOMPARE(window.SelectedEntries().front()->text(), std::string("deep"));
    }

    void columnsSortDatedFilesBelowEverythingElse() {
        Form1 window;
        window.LoadPackage(mixed);
        const tessel::TreeNode* sorts =
            window.folderTree().root()->firstChild()->nextSibling()->nextSibling();
        window.ShowFolder(sorts);
        window.ListView1ColumnClick(0);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "Alpha", "alpha", "beta", "gamma"}));
        QVERIFY(window.columnSort().NameSortReversed);
        window.ListView1ColumnClick(0);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "gamma", "beta", "Alpha", "alpha"}));
        window.ListView1ColumnClick(1);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "alpha", "beta", "Alpha", "gamma"}));
        window.ListView1ColumnClick(1);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "gamma", "Alpha", "beta", "alpha"}));
        // Whole days count: gamma and Alpha share a day and keep their order.
        window.ListView1ColumnClick(3);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "alpha", "gamma", "Alpha", "beta"}));
        window.ListView1ColumnClick(3);
        QCOMPARE(RowNames(window), (QStringList{"..", "nodate", "beta", "gamma", "Alpha", "alpha"}));
        // Type sorts nothing and changes no flag.
        const QStringList before = RowNames(window);
        window.ListView1ColumnClick(2);
        QCOMPARE(RowNames(window), before);
        QVERIFY(!window.columnSort().NameSortReversed && !window.columnSort().SizeSortReversed &&
                !window.columnSort().DateSortReversed);
    }

    void theSelectionFollowsItsRowsThroughASort() {
        Form1 window;
        window.LoadPackage(other);
        window.ShowFolder(window.folderTree().root()->firstChild());
        SelectRows(window, {1});
        window.ListView1ColumnClick(0);
        QCOMPARE(RowNames(window), (QStringList{"..", "a", "z"}));
        QCOMPARE(window.SelectedNodes().size(), std::size_t(1));
        QCOMPARE(window.SelectedNodes().front()->text(), std::string("z"));
    }

    void theModelKeepsQtsRules() {
        Form1 window;
        FolderListModel* model = Parts(window).model;
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.LoadPackage(mixed);
        const tessel::TreeNode* home = window.folderTree().root()->firstChild();
        window.ShowFolder(home);
        model->appendRow(home->firstChild());
        model->insertRowAt(1, home->lastChild());
        model->removeRowAt(2);
        model->refreshRow(0);
        window.ListView1ColumnClick(0);
        window.ListView1ColumnClick(1);
        QCOMPARE(model->nodeAt(model->rowOf(home->firstChild())), home->firstChild());
        QCOMPARE(model->rowOf(window.folderTree().root()), -1);
        window.ShowFolder(window.folderTree().root());
    }
};

int main(int argc, char** argv) {
    // A locale whose thousands separator is not ",": sums and sorts must not read texts.
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    QApplication app(argc, argv);
    FolderViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "folder_view_test.moc"
