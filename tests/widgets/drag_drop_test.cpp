#include "drag_out.h"
#include "drop_file_source.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package.h"
#include "package_builder.h"
#include "progress_window.h"
#include "temp_folder.h"
#include "window_parts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using tessel::testing::ColumnTexts;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::ReadFileBytes;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::Form1;

namespace {

// Sends a drag over and a drop onto the list, as a source offering the actions would.
// Returns whether the list took the drop, and as what.
Qt::DropAction DropOn(Form1& window, const QStringList& paths, Qt::DropActions offered) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QWidget* viewport = Parts(window).ListView1->viewport();
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(viewport, &move);
    if (!move.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string package;

    std::unique_ptr<Form1> openWindow() {
        PackageBuilder()
            .folder("data")
            .file("ships.tbl", "SHIPS")
            .end()
            .file("notes.txt", "NOTES")
            .file("other.bin", "OTHER")
            .writeTo(package);
        auto window = std::make_unique<Form1>();
        window->LoadPackage(package);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("window not exposed");
        return window;
    }

    QPoint rowCenter(Form1& window, int row) {
        return Parts(window).ListView1->visualRect(Parts(window).ListView1->model()->index(row, 0)).center();
    }

private slots:
    void initTestCase() {
        qputenv("TMPDIR", QByteArray::fromStdString(dir.path()));
        package = dir.file("p.vp");
    }

    void aPressWithoutASelectionStartsNoDrag() {
        auto window = openWindow();
        QSignalSpy drags(Parts(*window).ListView1, &tessel::ui::FolderListView::dragRequested);
        QWidget* viewport = Parts(*window).ListView1->viewport();
        const QPoint below(30, viewport->height() - 5);
        QTest::mousePress(viewport, Qt::LeftButton, {}, below);
        QTest::qWait(tessel::ui::FolderListView::kDragDelayMs + 20);
        QTest::mouseMove(viewport, below - QPoint(0, 60));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, below - QPoint(0, 60));
        QCOMPARE(drags.count(), 0);
    }

    void aDragNeedsDistanceAndTime() {
        auto window = openWindow();
        QSignalSpy drags(Parts(*window).ListView1, &tessel::ui::FolderListView::dragRequested);
        QWidget* viewport = Parts(*window).ListView1->viewport();
        const QPoint press = rowCenter(*window, 1);
        const int distance = QApplication::startDragDistance();
        // A quick flick outside the rectangle is not yet a drag...
        QTest::mousePress(viewport, Qt::LeftButton, {}, press);
        QTest::mouseMove(viewport, press + QPoint(distance + 5, 0));
        QCOMPARE(drags.count(), 0);
        // ...nor is a slow move inside it...
        QTest::qWait(tessel::ui::FolderListView::kDragDelayMs + 20);
        QTest::mouseMove(viewport, press + QPoint(1, 0));
        QCOMPARE(drags.count(), 0);
        // ...the next move outside after the delay is.
        QTest::mouseMove(viewport, press + QPoint(distance + 6, 0));
        QCOMPARE(drags.count(), 1);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, press + QPoint(distance + 6, 0));
        // A press released in place is a click.
        QTest::mousePress(viewport, Qt::LeftButton, {}, press);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, press);
        QCOMPARE(drags.count(), 1);
    }

    void theRightButtonDragsTooAndClicksForTheMenu() {
        auto window = openWindow();
        QSignalSpy drags(Parts(*window).ListView1, &tessel::ui::FolderListView::dragRequested);
        QSignalSpy menus(Parts(*window).ListView1, &tessel::ui::FolderListView::menuRequested);
        QWidget* viewport = Parts(*window).ListView1->viewport();
        const QPoint press = rowCenter(*window, 2);
        QTest::mousePress(viewport, Qt::RightButton, {}, press);
        QCOMPARE(window->SelectedNodes().size(), std::size_t(1));
        QTest::qWait(tessel::ui::FolderListView::kDragDelayMs + 20);
        QTest::mouseMove(viewport, press + QPoint(40, 0));
        QCOMPARE(drags.count(), 1);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, press + QPoint(40, 0));
        QCOMPARE(menus.count(), 0);
        QTest::mouseClick(viewport, Qt::RightButton, {}, press);
        QCOMPARE(menus.count(), 1);
        Parts(*window).PopupMenu1->hide();
    }

    void theDropWritesTheSelectionAndTheTemporaryFolderGoesAfterwards() {
        auto window = openWindow();
        SelectRows(*window, {0, 1}); // data, notes.txt
        tessel::ui::DropFileSource& source = *Parts(*window).DropFileSource1;
        auto* dragOut = window->findChild<tessel::ui::DragOut*>("DragOut");
        dragOut->prepare(window->SelectedEntries());
        QString temp = QString::fromStdString(dragOut->folder().path);
        QCOMPARE(fs::path(temp.toStdString()).parent_path().string(), tessel::TempFolderPath());
        QCOMPARE(source.Files, (QStringList{temp + "/data", temp + "/notes.txt"}));
        QVERIFY(fs::is_directory((temp + "/data").toStdString()));
        QVERIFY(!fs::exists((temp + "/notes.txt").toStdString()));
        // A release over a target that answered with a link writes nothing.
        source.answered(Qt::LinkAction);
        source.released();
        QVERIFY(!fs::exists((temp + "/notes.txt").toStdString()));
        source.AfterDrop(Qt::IgnoreAction);
        QVERIFY(!fs::exists(temp.toStdString()));
        // A release over a target that answered with a move writes the entries first.
        dragOut->prepare(window->SelectedEntries());
        temp = QString::fromStdString(dragOut->folder().path);
        tessel::ui::DropFileSource fresh;
        fresh.Drop = source.Drop;
        fresh.answered(Qt::MoveAction);
        fresh.released();
        QCOMPARE(ReadFileBytes((temp + "/notes.txt").toStdString()), std::string("NOTES"));
        QCOMPARE(ReadFileBytes((temp + "/data/ships.tbl").toStdString()), std::string("SHIPS"));
        QVERIFY(!Parts(*window).Form3->isVisible());
        // After a move the file manager may still be taking the items: they stay a while.
        source.AfterDrop(Qt::MoveAction);
        QVERIFY(fs::exists(temp.toStdString()));
        window.reset();
        QVERIFY(!fs::exists(temp.toStdString()));
    }

    void cancellingTheWritingAtTheDropEndsTheDragQuietly() {
        auto window = openWindow();
        SelectRows(*window, {0, 1});
        tessel::ui::DropFileSource& source = *Parts(*window).DropFileSource1;
        tessel::ui::Form3& progress = *Parts(*window).Form3;
        // Cancel is pressed as soon as the progress window handles events during the writing.
        const auto drop = source.Drop;
        source.Drop = [&, drop] {
            QTimer::singleShot(0, &progress, [&] { progress.CancelButton->click(); });
            drop();
        };
        auto* dragOut = window->findChild<tessel::ui::DragOut*>("DragOut");
        dragOut->prepare(window->SelectedEntries());
        const std::string temp = dragOut->folder().path;
        tessel::testing::ModalDriver errorBox(tessel::testing::CloseDialog, 3000);
        window->RunCommand([&] {
            source.answered(Qt::MoveAction);
            source.released();
            source.finished(Qt::IgnoreAction);
        });
        QVERIFY(progress.cancelRequested());
        QVERIFY2(!errorBox.answered(), qPrintable("an error box said: " + errorBox.text()));
        QVERIFY(!fs::exists(temp));
        QVERIFY(!window->busy());
    }

    void dropsAreTakenAsACopyAndAddedInTheirOrder() {
        auto window = openWindow();
        tessel::testing::TempDir disk;
        fs::create_directories(disk.file("folder/inside"));
        tessel::testing::WriteFileBytes(disk.file("folder/inside/deep"), "D");
        tessel::testing::WriteFileBytes(disk.file("one"), "1");
        tessel::testing::WriteFileBytes(disk.file("two"), "22");
        const QStringList paths{QString::fromStdString(disk.file("two")),
                                QString::fromStdString(disk.file("folder")),
                                QString::fromStdString(disk.file("one"))};
        QCOMPARE(DropOn(*window, paths, Qt::MoveAction), Qt::IgnoreAction);
        QCOMPARE(RowNames(*window), (QStringList{"data", "notes.txt", "other.bin"}));
        QCOMPARE(DropOn(*window, paths, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction), Qt::CopyAction);
        QCOMPARE(RowNames(*window), (QStringList{"data", "folder", "notes.txt", "other.bin", "two", "one"}));
        // The totals follow every edit.
        QCOMPARE(Parts(*window).StatusPanel1->text(), QString("Total 2 folders and 13 Bytes in 4 files"));
        QVERIFY(!Parts(*window).Form3->isVisible());
        QCOMPARE(Parts(*window).Form3->StaticText1->text(), QString("adding"));
        QCOMPARE(Parts(*window).Form3->LFile->text(), paths.last());
        QCOMPARE(Parts(*window).Form3->LProgress->text(), QString("100%"));
        tessel::Package reloadedPackage;
        reloadedPackage.LoadPackage(package);
        const tessel::FolderTree& reloaded = reloadedPackage.tree();
        QStringList order;
        for (const tessel::TreeNode* node = reloaded.root()->firstChild(); node; node = node->nextSibling())
            order << QString::fromStdString(std::string(node->text()));
        QCOMPARE(order, (QStringList{"data", "notes.txt", "other.bin", "two", "folder", "one"}));
    }

    void aSingleDroppedFileLeavesThePercentageAlone() {
        auto window = openWindow();
        Parts(*window).Form3->LProgress->setText("42%");
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("solo"), "S");
        QCOMPARE(DropOn(*window, {QString::fromStdString(disk.file("solo"))}, Qt::CopyAction),
                 Qt::CopyAction);
        QCOMPARE(Parts(*window).Form3->LProgress->text(), QString("42%"));
        QCOMPARE(RowNames(*window).last(), QString("solo"));
    }

    void withoutAPackageADropAddsNothingAndShowsNoWindow() {
        Form1 window;
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("x"), "X");
        QCOMPARE(DropOn(window, {QString::fromStdString(disk.file("x"))}, Qt::CopyAction), Qt::CopyAction);
        QVERIFY(!Parts(window).Form3->isVisible());
        QVERIFY(window.folderTree().empty());
    }

    void aPackageDroppedOnTheWindowIsOpenedOrAddedAsAsked() {
        auto window = openWindow();
        tessel::testing::TempDir disk;
        const std::string other = disk.file("other.vp");
        PackageBuilder().file("inside", "I").writeTo(other);
        const QStringList dropped{QString::fromStdString(other)};
        auto answer = [](const QString& button) {
            return [button](QWidget* dialog) {
                for (QAbstractButton* candidate : static_cast<QMessageBox*>(dialog)->buttons()) {
                    if (QString(candidate->text()).remove(QChar('&')) == button)
                        candidate->click();
                }
            };
        };
        {
            tessel::testing::ModalDriver cancel(answer("Cancel"));
            DropOn(*window, dropped, Qt::CopyAction);
            QVERIFY(cancel.answered());
            QCOMPARE(cancel.text(),
                     QString("\"other.vp\" is a VP package. Open it, or add it to this package as a file?"));
            QCOMPARE(QString::fromStdString(window->PackagePath()), QString::fromStdString(package));
            QCOMPARE(RowNames(*window), (QStringList{"data", "notes.txt", "other.bin"}));
        }
        {
            tessel::testing::ModalDriver add(answer("Add it to this package"));
            DropOn(*window, dropped, Qt::CopyAction);
            QVERIFY(add.answered());
            QCOMPARE(RowNames(*window), (QStringList{"data", "notes.txt", "other.bin", "other.vp"}));
        }
        {
            tessel::testing::ModalDriver open(answer("Open it"));
            DropOn(*window, dropped, Qt::CopyAction);
            QVERIFY(open.answered());
            QCOMPARE(QString::fromStdString(window->PackagePath()), QString::fromStdString(other));
            QCOMPARE(RowNames(*window), (QStringList{"inside"}));
        }
    }

    void cancellingADropKeepsWhatWasAdded() {
        auto window = openWindow();
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("first"), "F");
        tessel::testing::WriteFileBytes(disk.file("second"), "S");
        tessel::ui::Form3& progress = *Parts(*window).Form3;
        // Cancel is pressed as soon as the progress window handles events.
        QTimer::singleShot(0, &progress, [&] { progress.CancelButton->click(); });
        DropOn(*window,
               {QString::fromStdString(disk.file("first")), QString::fromStdString(disk.file("second"))},
               Qt::CopyAction);
        QVERIFY(progress.cancelRequested());
        QVERIFY(!progress.isVisible());
        QVERIFY(!fs::exists(package + "-journal"));
        // What the window shows is what the package holds: the entries before the cancel.
        tessel::Package reloaded;
        reloaded.LoadPackage(package);
        QStringList names;
        for (const tessel::TreeNode* node = reloaded.tree().root()->firstChild(); node;
             node = node->nextSibling())
            names << QString::fromStdString(std::string(node->text()));
        QCOMPARE(RowNames(*window), names);
        QCOMPARE(names, (QStringList{"data", "notes.txt", "other.bin", "first"}));
    }

    void aFailingDropSaysWhyAndKeepsWhatCameBefore() {
        auto window = openWindow();
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("first"), "F");
        // The second would make the package larger than a package can be.
        tessel::testing::WriteFileBytes(disk.file("second"), "");
        QVERIFY(truncate(disk.file("second").c_str(), 2147483600) == 0);
        Parts(*window).Form3->showForRun();
        tessel::testing::ModalDriver errorBox(tessel::testing::CloseDialog, 8000);
        QCOMPARE(
            DropOn(*window,
                   {QString::fromStdString(disk.file("first")), QString::fromStdString(disk.file("second"))},
                   Qt::CopyAction),
            Qt::CopyAction);
        QCOMPARE(errorBox.text(),
                 "Cannot add \"" + QString::fromStdString(disk.file("second")) +
                     "\": the package would grow beyond 2 GiB, the largest a VP package can be.");
        QCOMPARE(RowNames(*window).last(), QString("first"));
        QVERIFY(!Parts(*window).Form3->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DragDropTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "drag_drop_test.moc"
