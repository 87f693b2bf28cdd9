#include "entry_path.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "window_parts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

using tessel::testing::ColumnTexts;
using tessel::testing::ModalDriver;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::Form1;

namespace {

// The package's entries as the file holds them now, with their bytes.
QStringList Reloaded(const std::string& path) {
    tessel::Package package;
    package.LoadPackage(path);
    const tessel::FolderTree& tree = package.tree();
    const std::string bytes = tessel::testing::ReadFileBytes(path);
    QStringList entries;
    for (const tessel::TreeNode* node = tree.root()->next(); node; node = node->next()) {
        QString line = QString::fromStdString(tessel::EntryPath(node));
        if (const tessel::EntryRecord* record = node->record())
            line += "=" + QString::fromStdString(
                              bytes.substr(std::size_t(record->Offset), std::size_t(record->Size)));
        entries << line;
    }
    return entries;
}

ModalDriver::Answer TypeName(const QString& name) {
    return [name](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("Rename file"));
        QCOMPARE(dialog->labelText(), dialog->textValue());
        dialog->setTextValue(name);
        dialog->accept();
    };
}

} // namespace

class EditCommandsTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string path;

    std::unique_ptr<Form1> openWindow() {
        PackageBuilder()
            .folder("sub")
            .file("inner", "I")
            .end()
            .file("a", "A")
            .file("b", "BB")
            .file("c", "CCC")
            .file("d", "DDDD")
            .file("e", "EEEEE")
            .writeTo(path);
        auto window = std::make_unique<Form1>();
        window->LoadPackage(path);
        return window;
    }

private slots:
    void initTestCase() { path = dir.file("p.vp"); }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void theDeleteKeyRemovesExactlyTheSelectedEntries() {
        auto window = openWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->ListView1ColumnClick(1); // by size, largest first: sub, e, d, c, b, a
        QCOMPARE(RowNames(*window), (QStringList{"sub", "e", "d", "c", "b", "a"}));
        SelectRows(*window, {1, 3, 5}); // e, c, a
        Parts(*window).ListView1->setFocus();
        QTest::keyClick(Parts(*window).ListView1, Qt::Key_Delete);
        QCOMPARE(RowNames(*window), (QStringList{"sub", "d", "b"}));
        QCOMPARE(Reloaded(path), (QStringList{"sub/", "sub/inner=I", "b=BB", "d=DDDD"}));
    }

    void theToolbarCrossDeletesFoldersWithEverythingInside() {
        auto window = openWindow();
        SelectRows(*window, {0, 5}); // sub, e
        Parts(*window).ToolButton4->trigger();
        QCOMPARE(RowNames(*window), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(Reloaded(path), (QStringList{"a=A", "b=BB", "c=CCC", "d=DDDD"}));
    }

    void theWayUpRowIsLeftOutOfADeletion() {
        auto window = openWindow();
        window->ShowFolder(window->folderTree().root()->firstChild());
        SelectRows(*window, {0, 1}); // "..", inner
        Parts(*window).Deletefiles1->trigger();
        QCOMPARE(RowNames(*window), (QStringList{".."}));
        QCOMPARE(Reloaded(path), (QStringList{"sub/", "a=A", "b=BB", "c=CCC", "d=DDDD", "e=EEEEE"}));
        SelectRows(*window, {0});
        Parts(*window).Deletefiles1->trigger();
        QCOMPARE(Reloaded(path).size(), 6);
    }

    void renamingNeedsExactlyOneRow() {
        auto window = openWindow();
        SelectRows(*window, {1, 2});
        ModalDriver driver(TypeName("never"), 300);
        Parts(*window).Renamefile1->trigger();
        QVERIFY(!driver.answered());
        QCOMPARE(RowNames(*window), (QStringList{"sub", "a", "b", "c", "d", "e"}));
    }

    void aLongNameShowsWholeUntilTheNextLoad() {
        auto window = openWindow();
        SelectRows(*window, {2}); // b
        const QString longName(40, 'n');
        ModalDriver driver(TypeName(longName));
        Parts(*window).Renamefile1->trigger();
        QVERIFY(driver.answered());
        QCOMPARE(RowNames(*window).at(2), longName);
        window->ShowFolder(window->folderTree().root()->firstChild());
        window->ShowFolder(window->folderTree().root());
        QCOMPARE(RowNames(*window).at(2), longName);
        window->LoadPackage(path);
        QCOMPARE(RowNames(*window).at(2), QString(31, 'n'));
        QCOMPARE(Reloaded(path).at(3), QString(31, 'n') + "=BB");
    }

    void foldersRenameAndTheWayUpRowDoesNot() {
        auto window = openWindow();
        SelectRows(*window, {0});
        {
            ModalDriver driver(TypeName("renamed"));
            Parts(*window).Renamefile1->trigger();
        }
        QCOMPARE(RowNames(*window).at(0), QString("renamed"));
        QCOMPARE(Reloaded(path).at(0), QString("renamed/"));
        window->ShowFolder(window->folderTree().root()->firstChild());
        SelectRows(*window, {0});
        ModalDriver driver(TypeName("never"), 300);
        Parts(*window).Renamefile1->trigger();
        QVERIFY(!driver.answered());
    }

    void addedEntriesGetRowsOnlyInTheFolderShown() {
        auto window = openWindow();
        const QString totals = Parts(*window).StatusPanel1->text();
        tessel::testing::TempDir disk;
        std::filesystem::create_directories(disk.file("tree/inner"));
        tessel::testing::WriteFileBytes(disk.file("tree/inner/deep"), "D");
        tessel::testing::WriteFileBytes(disk.file("tree/top"), "T");
        tessel::testing::WriteFileBytes(disk.file("loose"), "LL");
        window->AddPath(disk.file("tree"));
        window->AddPath(disk.file("loose"));
        // A folder row goes second; a file row at the end; nothing for what lies inside.
        QCOMPARE(RowNames(*window), (QStringList{"sub", "tree", "a", "b", "c", "d", "e", "loose"}));
        QCOMPARE(Parts(*window).ListView1->model()->index(7, 1).data().toString(), QString("2"));
        QCOMPARE(Parts(*window).StatusPanel1->text(), totals);
        window->ShowFolder(window->folderTree().root()->firstChild());
        window->AddPath(disk.file("tree"));
        QCOMPARE(RowNames(*window), (QStringList{"..", "tree", "inner"}));
        QCOMPARE(Reloaded(path).filter("deep").size(), 2);
    }

    void aRefusedNameShowsTheErrorAndKeepsTheRow() {
        auto window = openWindow();
        SelectRows(*window, {1});
        ModalDriver rename(TypeName("bad/name"));
        ModalDriver errorBox(tessel::testing::CloseDialog, 8000);
        Parts(*window).Renamefile1->trigger();
        QVERIFY(errorBox.answered());
        QCOMPARE(errorBox.text(), QString("\"bad/name\" cannot be the name of an entry."));
        QCOMPARE(RowNames(*window).at(1), QString("a"));
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    EditCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "edit_commands_test.moc"
