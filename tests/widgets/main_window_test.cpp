#include "error_box.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "settings.h"
#include "tessel_version.h"
#include "window_parts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

using tessel::testing::CloseDialog;
using tessel::testing::ColumnTexts;
using tessel::testing::ModalDriver;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::Form1;

namespace {

// Answers a file dialog by choosing the path, or cancels it when the path is empty.
ModalDriver::Answer ChooseFile(const QString& path) {
    return [path](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        QVERIFY(dialog);
        QCOMPARE(dialog->nameFilters(), QStringList{"VP Files (*.vp)"});
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // The dialog fills its folder view in the background; type the name as a user would.
        auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(nameEdit);
        nameEdit->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    };
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    QString first, second, damaged;

private slots:
    void initTestCase() {
        tessel::ui::Settings().clear();
        first = QString::fromStdString(dir.file("first.vp"));
        second = QString::fromStdString(dir.file("second.vp"));
        damaged = QString::fromStdString(dir.file("damaged.vp"));
        PackageBuilder()
            .folder("data")
            .file("a.tbl", "aaa")
            .end()
            .file("top.txt", "t")
            .writeTo(first.toStdString());
        PackageBuilder().file("only.txt", "o").writeTo(second.toStdString());
        tessel::testing::WriteFileBytes(damaged.toStdString(), tessel::testing::HeaderBytes(9000, 1));
    }
    // What one test's window remembers is no other test's start.
    void init() { tessel::ui::Settings().clear(); }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void errorBoxTextAppendsAPeriodAfterLettersAndDigitsOnly() {
        using tessel::ui::ErrorBoxText;
        QCOMPARE(ErrorBoxText("Stream read error"), QString("Stream read error."));
        QCOMPARE(ErrorBoxText("Disk full 9"), QString("Disk full 9."));
        QCOMPARE(ErrorBoxText("Done."), QString("Done."));
        QCOMPARE(ErrorBoxText("Really!"), QString("Really!"));
        QCOMPARE(ErrorBoxText("path \"x\""), QString("path \"x\""));
        QCOMPARE(ErrorBoxText("ends with /"), QString("ends with /."));
        QCOMPARE(ErrorBoxText(""), QString(""));
    }

    void startsWithNoPackage() {
        Form1 window;
        QCOMPARE(window.windowTitle(), QString(tessel::kWindowTitle));
        QCOMPARE(Parts(window).Edit1->text(), QString(".."));
        // The path box cannot be typed in, but its text can be selected and copied.
        QVERIFY(Parts(window).Edit1->isEnabled() && Parts(window).Edit1->isReadOnly());
        QVERIFY(window.PackagePath().empty());
        QVERIFY(window.folderTree().empty());
        QCOMPARE(Parts(window).ListView1->model()->rowCount(), 0);
        QVERIFY(Parts(window).StatusPanel0->text().isEmpty());
        QVERIFY(Parts(window).StatusPanel1->text().isEmpty());
        QVERIFY(Parts(window).StatusPanel0->width() >= 200);
        QStringList headers;
        for (int column = 0; column < 4; ++column) {
            headers << Parts(window).ListView1->model()->headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(headers, (QStringList{"Name", "Size", "Type", "Modified"}));
        QCOMPARE(Parts(window).ListView1->columnWidth(0), 300);
        QCOMPARE(Parts(window).ListView1->columnWidth(3), 150);
        QStringList popup;
        for (QAction* action : Parts(window).PopupMenu1->actions())
            popup << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(popup, (QStringList{"Select All", "-", "Extract to a specified folder", "Open file", "-",
                                     "View file", "Rename file", "Delete files", "-", "Add Files..",
                                     "Add Folder.."}));
    }

    void pathBoxFollowsTheOuterWidth() {
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1000, 400);
        QTRY_COMPARE(Parts(window).Edit1->width(), window.frameGeometry().width() - 9);
        window.resize(737, 364);
        QTRY_COMPARE(Parts(window).Edit1->width(), window.frameGeometry().width() - 9);
        // The box never holds the window at its width.
        window.resize(420, 300);
        QTRY_COMPARE(window.width(), 420);
        QTRY_COMPARE(Parts(window).Edit1->width(), window.frameGeometry().width() - 9);
    }

    void openShowsThePackageAndCancelKeepsIt() {
        Form1 window;
        {
            ModalDriver driver(ChooseFile(first));
            Parts(window).Open1->trigger();
            QVERIFY(driver.answered());
        }
        QCOMPARE(QString::fromStdString(window.PackagePath()), first);
        QCOMPARE(Parts(window).Edit1->text(), first + "/");
        QCOMPARE(window.windowTitle(), QFileInfo(first).fileName() + " - " + tessel::kWindowTitle);
        QCOMPARE(RowNames(window), (QStringList{"data", "top.txt"}));
        QCOMPARE(Parts(window).StatusPanel1->text(), QString("Total 1 folders and 1 Bytes in 1 files"));
        {
            ModalDriver driver(ChooseFile(QString()));
            Parts(window).ToolButton1->trigger();
            QVERIFY(driver.answered());
        }
        QCOMPARE(QString::fromStdString(window.PackagePath()), first);
        QCOMPARE(Parts(window).Edit1->text(), first + "/");
        QCOMPARE(window.windowTitle(), QFileInfo(first).fileName() + " - " + tessel::kWindowTitle);
        QCOMPARE(RowNames(window), (QStringList{"data", "top.txt"}));
    }

    void reopeningLeavesNothingOfThePreviousPackage() {
        Form1 window;
        window.LoadPackage(first.toStdString());
        window.LoadPackage(second.toStdString());
        QCOMPARE(window.folderTree().count(), std::size_t(2));
        QCOMPARE(RowNames(window), QStringList{"only.txt"});
        QCOMPARE(Parts(window).Edit1->text(), second + "/");
    }

    void aDamagedPackageShowsTheErrorBoxAndKeepsTheOpenOne() {
        Form1 window;
        window.LoadPackage(first.toStdString());
        {
            ModalDriver dialog(ChooseFile(damaged));
            ModalDriver errorBox(CloseDialog, 8000);
            Parts(window).Open1->trigger();
            QVERIFY(errorBox.answered());
            QCOMPARE(errorBox.title(), QString("Tessel"));
            // ")" sorts below ".", so the rule adds no period.
            QCOMPARE(errorBox.text(),
                     "\"" + damaged +
                         "\" is damaged: directory at offset 9000 lies past the end of the file "
                         "(16 bytes)");
        }
        QCOMPARE(QString::fromStdString(window.PackagePath()), first);
        QCOMPARE(RowNames(window), (QStringList{"data", "top.txt"}));
        QCOMPARE(window.folderTree().count(), std::size_t(4));
    }

    void aboutBoxHasOneOkButtonAndChangesNothing() {
        Form1 window;
        ModalDriver driver([](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->icon(), QMessageBox::Information);
            box->buttons().first()->click();
        });
        Parts(window).About1->trigger();
        QVERIFY(driver.answered());
        QCOMPARE(driver.title(), QString("About Tessel"));
        QVERIFY(driver.text().startsWith(QString("Tessel ") + tessel::kProgramVersion + "\n\n"));
        QVERIFY(driver.text().contains("GNU General Public License, version 3"));
        QCOMPARE(Parts(window).Edit1->text(), QString(".."));
    }

    void filesThatAreNoSoundPackageSayWhy() {
        Form1 window;
        const QString picture = QString::fromStdString(dir.file("picture.vp"));
        tessel::testing::WriteFileBytes(picture.toStdString(), "\x89PNG\r\n\x1a\n" + std::string(40, '\x07'));
        ModalDriver errorBox(CloseDialog, 8000);
        window.RunCommand([&] { window.LoadPackage(picture.toStdString()); });
        QCOMPARE(errorBox.text(), "\"" + picture + "\" is not a VP package: it does not begin with \"VPVP\"");

        // Entries whose data lies outside the file are named as the package opens.
        const std::string outside = dir.file("outside.vp");
        PackageBuilder builder;
        builder.file("good", "g").raw(tessel::testing::Rec(9000, 5, 1117627200, "lost.tbl"));
        builder.writeTo(outside);
        window.LoadPackage(outside);
        QVERIFY(Parts(window).StatusPanel2->text().contains("1 entry lies outside the file"));
        ModalDriver details(CloseDialog);
        emit Parts(window).StatusPanel2->linkActivated("outside");
        QVERIFY(details.text().endsWith("\n\nlost.tbl"));
        window.LoadPackage(first.toStdString());
        QVERIFY(Parts(window).StatusPanel2->text().isEmpty());
    }

    void aPackageGivenByARelativePathIsKeptByItsFullPath() {
        Form1 window;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QFileInfo(first).path());
        window.LoadPackage("first.vp");
        QDir::setCurrent(previous);
        QCOMPARE(QString::fromStdString(window.PackagePath()), first);
        QCOMPARE(Parts(window).Edit1->text(), first + "/");
    }

    void recentPackagesTheSortAndTheWindowAreRemembered() {
        tessel::ui::Settings().clear();
        {
            Form1 window;
            // Nothing was opened yet: there is nothing to list.
            QVERIFY(!window.findChild<QMenu*>("OpenRecent")->isEnabled());
            window.LoadPackage(first.toStdString());
            window.LoadPackage(second.toStdString());
            window.LoadPackage(first.toStdString());
            window.ListView1ColumnClick(0);
            window.ListView1ColumnClick(0); // names, reversed
            window.resize(640, 333);
            QVERIFY(window.close());
        }
        Form1 window;
        QCOMPARE(window.size(), QSize(640, 333));
        QMenu* recent = window.findChild<QMenu*>("OpenRecent");
        QStringList texts;
        for (QAction* action : recent->actions())
            texts << action->text();
        QCOMPARE(texts, (QStringList{"&1 " + first, "&2 " + second}));
        recent->actions().at(1)->trigger();
        QCOMPARE(QString::fromStdString(window.PackagePath()), second);
        window.LoadPackage(first.toStdString());
        QCOMPARE(RowNames(window), (QStringList{"data", "top.txt"}));
        QCOMPARE(Parts(window).ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        window.ShowFolder(window.folderTree().root()->firstChild());
        QCOMPARE(window.CurrentFolder()->text(), std::string("data"));
    }

    void aPackageChangedOnDiskOffersToReloadIt() {
        const std::string path = dir.file("changing.vp");
        PackageBuilder().folder("data").file("a.tbl", "aaa").file("b.tbl", "b").end().writeTo(path);
        Form1 window;
        window.LoadPackage(path);
        window.ShowFolder(window.folderTree().root()->firstChild());
        PackageBuilder()
            .folder("data")
            .file("a.tbl", "aaa")
            .file("b.tbl", "b")
            .file("c.tbl", "c")
            .end()
            .writeTo(path);
        Parts(window).ListView1->setCurrentIndex(Parts(window).model->index(2, 0)); // b.tbl
        tessel::testing::ModalSequence boxes(
            {tessel::testing::Press("Delete"), tessel::testing::Press("Reload")});
        Parts(window).Deletefiles1->trigger();
        QCOMPARE(boxes.answeredCount(), 2);
        QVERIFY(boxes.texts().value(1).startsWith("\"" + QString::fromStdString(path) +
                                                  "\" has changed on disk"));
        // Read anew: the folder shown and the row stay.
        QCOMPARE(window.CurrentFolder()->text(), std::string("data"));
        QCOMPARE(RowNames(window), (QStringList{"..", "a.tbl", "b.tbl", "c.tbl"}));
        QCOMPARE(Parts(window).ListView1->currentIndex().data().toString(), QString("b.tbl"));
        Parts(window).Reload->trigger();
        QCOMPARE(RowNames(window).size(), 4);
    }

    void exitAsksTheLoopToQuit() {
        Form1 window;
        // The application's loop ends with 0 only when the program is told to quit.
        QTimer::singleShot(2000, qApp, [] { QCoreApplication::exit(7); });
        bool quitInsideTheCommand = false;
        QTimer::singleShot(0, qApp, [&] {
            QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
            Parts(window).Exit2->trigger();
            // The request is posted, not carried out inside the command.
            quitInsideTheCommand = quitting.count() > 0;
        });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!quitInsideTheCommand);
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
