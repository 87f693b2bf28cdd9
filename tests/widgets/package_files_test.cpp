#include "folder_tree_pane.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "package_watcher.h"
#include "settings.h"
#include "window_parts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using tessel::testing::ModalDriver;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::RowNames;
using tessel::ui::Form1;

namespace {

// Answers a file dialog by typing the names into its name field, as a user would; the
// directory it opened in is kept.
ModalDriver::Answer TypeFileNames(const QString& names, QString* startedIn = nullptr) {
    return [names, startedIn](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        QVERIFY(dialog);
        if (startedIn)
            *startedIn = dialog->directory().absolutePath();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(names);
        static_cast<QDialog*>(dialog)->accept();
    };
}

} // namespace

class PackageFilesTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string path;

    std::unique_ptr<Form1> openWindow(const std::string& package) {
        PackageBuilder()
            .folder("data")
            .folder("deep")
            .file("x", "X")
            .end()
            .end()
            .file("a.txt", "A")
            .writeTo(package);
        auto window = std::make_unique<Form1>();
        window->LoadPackage(package);
        return window;
    }

private slots:
    void initTestCase() {
        path = dir.file("p.vp");
        tessel::ui::Settings().clear();
    }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void addFilesAndFolderGoIntoTheFolderShown() {
        auto window = openWindow(path);
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("one.txt"), "1");
        tessel::testing::WriteFileBytes(disk.file("two.txt"), "22");
        std::filesystem::create_directories(disk.file("more/inner"));
        tessel::testing::WriteFileBytes(disk.file("more/inner/z"), "z");
        window->ShowFolder(window->folderTree().root()->firstChild());
        QString startedIn;
        {
            ModalDriver files(TypeFileNames(QString("\"%1\" \"%2\"")
                                                .arg(QString::fromStdString(disk.file("one.txt")),
                                                     QString::fromStdString(disk.file("two.txt"))),
                                            &startedIn));
            window->findChild<QAction*>("AddFiles")->trigger();
            QVERIFY(files.answered());
        }
        // The dialog starts in the folder of the package open.
        QCOMPARE(startedIn, QString::fromStdString(dir.file("")).chopped(1));
        {
            ModalDriver folder(TypeFileNames(QString::fromStdString(disk.file("more"))));
            window->findChild<QAction*>("AddFolder")->trigger();
            QVERIFY(folder.answered());
        }
        QCOMPARE(RowNames(*window), (QStringList{"..", "more", "deep", "one.txt", "two.txt"}));
        QCOMPARE(tessel::testing::Reloaded(path),
                 (QStringList{"data/", "data/deep/", "data/deep/x=X", "data/one.txt=1", "data/two.txt=22",
                              "data/more/", "data/more/inner/", "data/more/inner/z=z", "a.txt=A"}));
    }

    void newPackageOpensAnEmptyPackageAndNeverReplacesAFile() {
        Form1 window;
        {
            ModalDriver name(TypeFileNames(QString::fromStdString(dir.file("fresh"))));
            window.findChild<QAction*>("NewPackage")->trigger();
            QVERIFY(name.answered());
        }
        QCOMPARE(window.PackagePath(), dir.file("fresh.vp"));
        QCOMPARE(RowNames(window), QStringList{});
        QVERIFY(window.findChild<QAction*>("AddFiles")->isEnabled());
        tessel::testing::WriteFileBytes(dir.file("taken.vp"), "mine");
        ModalDriver name(TypeFileNames(QString::fromStdString(dir.file("taken.vp"))));
        ModalDriver error(tessel::testing::CloseDialog, 8000);
        window.RunCommand([&] { window.NewPackageClick(); });
        QVERIFY(error.answered());
        QCOMPARE(tessel::testing::ReadFileBytes(dir.file("taken.vp")), std::string("mine"));
        QCOMPARE(window.PackagePath(), dir.file("fresh.vp"));
    }

    void aReadOnlyPackageSaysSoAndRefusesEditsBeforeAsking() {
        // Root writes wherever permissions say no: a read-only file system is needed then.
        const std::string place = dir.file("readonly");
        std::filesystem::create_directories(place);
        const bool root = ::geteuid() == 0;
        if (root && ::mount("tessel-test", place.c_str(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("a read-only place needs a tmpfs mount, which this machine refuses");
        const std::string package = place + "/ro.vp";
        auto window = openWindow(package);
        if (root)
            QCOMPARE(::mount(nullptr, place.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        else
            ::chmod(package.c_str(), 0444);
        window->LoadPackage(package);
        const QString reason =
            root ? "it lies on a read-only file system" : "you have no permission to write to it";
        QVERIFY(window->windowTitle().startsWith("ro.vp (read-only) - "));
        for (const char* name : {"Deletefiles1", "Renamefile1", "AddFiles", "AddFolder", "ToolButton4"}) {
            auto* action = window->findChild<QAction*>(name);
            QVERIFY(!action->isEnabled());
            QCOMPARE(action->toolTip(), "The package is read-only: " + reason);
        }
        // The preview shows texts without letting them be edited.
        tessel::testing::SelectRows(*window, {1});
        auto* editor = window->findChild<QPlainTextEdit*>();
        QTRY_COMPARE_WITH_TIMEOUT(editor->toPlainText(), QString("A"), 5000);
        QVERIFY(editor->isReadOnly());
        tessel::testing::WriteFileBytes(dir.file("dropped.txt"), "d");
        ModalDriver refusal(tessel::testing::CloseDialog, 8000);
        window->DropFileTarget1Drop({QString::fromStdString(dir.file("dropped.txt"))});
        QCOMPARE(refusal.text(), "Nothing can be added to ro.vp: " + reason + ".");
        window.reset();
        if (root)
            ::umount(place.c_str());
    }

    void theFolderTreeAndTheListFollowEachOther() {
        auto window = openWindow(path);
        auto* tree = window->findChild<QTreeView*>("FolderTree");
        const auto shownInTree = [&] { return tree->currentIndex().data().toString(); };
        QCOMPARE(shownInTree(), QString("p.vp"));
        const tessel::TreeNode* data = window->folderTree().root()->firstChild();
        window->ShowFolder(data->firstChild());
        QCOMPARE(shownInTree(), QString("deep"));
        tree->setCurrentIndex(tree->model()->index(0, 0));
        QCOMPARE(window->CurrentFolder(), window->folderTree().root());
        // Folders an edit adds appear in the tree.
        tessel::testing::TempDir disk;
        std::filesystem::create_directories(disk.file("added"));
        window->AddPath(disk.file("added"));
        QCOMPARE(tree->model()->rowCount(tree->model()->index(0, 0)), 2);
        window->findChild<QAction*>("FolderTree")->setChecked(false);
        QVERIFY(tree->isHidden());
    }

    void comparingMarksTheRowsFiltersThemAndCounts() {
        auto window = openWindow(path);
        tessel::testing::TempDir other;
        std::filesystem::create_directories(other.file("data/deep"));
        tessel::testing::WriteFileBytes(other.file("data/deep/x"), "Y");
        tessel::testing::WriteFileBytes(other.file("A.TXT"), "A");
        tessel::testing::WriteFileBytes(other.file("extra.txt"), "E");
        tessel::testing::WriteFileBytes(dir.file("new.txt"), "N");
        window->AddPath(dir.file("new.txt"));
        {
            ModalDriver chosen(TypeFileNames(QString::fromStdString(other.path())));
            window->findChild<QAction*>("CompareWithFolder")->trigger();
            QVERIFY(chosen.answered());
        }
        QCOMPARE(tessel::testing::ColumnTexts(*window, 4), (QStringList{"changed", "same", "added"}));
        QCOMPARE(Parts(*window).StatusPanel2->text(),
                 "Compared with " + QFileInfo(QString::fromStdString(other.path())).fileName() +
                     ": 1 added, 1 changed, 1 only in " +
                     QFileInfo(QString::fromStdString(other.path())).fileName() + ", 1 the same");
        window->findChild<QAction*>("OnlyDifferences")->setChecked(true);
        QCOMPARE(RowNames(*window), (QStringList{"data", "new.txt"}));
        // The counts stay while the user moves about; an edit ends the comparison.
        window->ShowFolder(window->folderTree().root()->firstChild());
        QVERIFY(Parts(*window).StatusPanel2->text().startsWith("Compared with"));
        tessel::testing::WriteFileBytes(dir.file("later.txt"), "L");
        window->ShowFolder(window->folderTree().root());
        window->AddPath(dir.file("later.txt"));
        QVERIFY(Parts(*window).ListView1->isColumnHidden(4));
        QCOMPARE(RowNames(*window), (QStringList{"data", "a.txt", "new.txt", "later.txt"}));
        QVERIFY(!window->findChild<QAction*>("OnlyDifferences")->isEnabled());
    }

    void anotherProgramsChangeOffersReloadAndOurOwnEditsDoNot() {
        auto window = openWindow(path);
        auto* watcher = window->findChild<tessel::ui::PackageWatcher*>("ChangedOnDiskBar");
        tessel::testing::WriteFileBytes(dir.file("own.txt"), "o");
        window->AddPath(dir.file("own.txt"));
        watcher->checkNow();
        QVERIFY(watcher->isHidden());
        // Another program appends a byte.
        {
            std::FILE* file = std::fopen(path.c_str(), "ab");
            std::fputc('!', file);
            std::fclose(file);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!watcher->isHidden(), 5000);
        watcher->findChild<QAbstractButton*>("ReloadChanged")->click();
        QVERIFY(watcher->isHidden());
        QCOMPARE(RowNames(*window), (QStringList{"data", "a.txt", "own.txt"}));
    }
};

QTEST_MAIN(PackageFilesTest)
#include "package_files_test.moc"
