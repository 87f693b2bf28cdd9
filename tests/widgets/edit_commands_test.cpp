#include "entry_path.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "settings.h"
#include "window_parts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <filesystem>

using tessel::testing::ColumnTexts;
using tessel::testing::ModalDriver;
using tessel::testing::ModalSequence;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::Press;
using tessel::testing::Reloaded;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::Form1;

namespace {

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
    void initTestCase() {
        path = dir.file("p.vp");
        tessel::ui::Settings().clear();
    }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void theDeleteKeyRemovesExactlyTheSelectedEntries() {
        auto window = openWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->ListView1ColumnClick(1); // by size, largest first: sub, e, d, c, b, a
        QCOMPARE(RowNames(*window), (QStringList{"sub", "e", "d", "c", "b", "a"}));
        SelectRows(*window, {1, 3, 5}); // e, c, a
        Parts(*window).ListView1->setFocus();
        {
            // Deleting asks first, and Cancel (or Escape) deletes nothing.
            ModalSequence boxes({Press("Cancel"), Press("Delete")});
            QTest::keyClick(Parts(*window).ListView1, Qt::Key_Delete);
            QCOMPARE(RowNames(*window).size(), 6);
            // The box took the focus with it; the key acts where the focus is back.
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            Parts(*window).ListView1->setFocus();
            QTest::keyClick(Parts(*window).ListView1, Qt::Key_Delete);
            QCOMPARE(boxes.texts().value(1),
                     QString("Delete these 3 files from p.vp?\n9 bytes in all.\nThis cannot be undone."));
        }
        QCOMPARE(RowNames(*window), (QStringList{"sub", "d", "b"}));
        // The row after the first one deleted is where the keyboard goes on.
        QCOMPARE(window->SelectedRows(), std::vector<int>{1});
        QCOMPARE(Reloaded(path), (QStringList{"sub/", "sub/inner=I", "b=BB", "d=DDDD"}));
    }

    void theToolbarCrossDeletesFoldersWithEverythingInside() {
        auto window = openWindow();
        SelectRows(*window, {0, 5}); // sub, e
        {
            ModalSequence boxes({Press("Delete", true)});
            Parts(*window).ToolButton4->trigger();
            QCOMPARE(boxes.texts().value(0),
                     QString("Delete 1 file and 1 folder from p.vp?\n\nThe folder holds 1 "
                             "entry.\n6 bytes in all.\nThis cannot be undone."));
        }
        QCOMPARE(RowNames(*window), (QStringList{"a", "b", "c", "d"}));
        // "Do not ask again" was ticked: the next deletion goes at once.
        SelectRows(*window, {0});
        Parts(*window).ToolButton4->trigger();
        QCOMPARE(RowNames(*window), (QStringList{"b", "c", "d"}));
        tessel::ui::Settings().remove(tessel::ui::kAskBeforeDeleting);
        QCOMPARE(Reloaded(path), (QStringList{"b=BB", "c=CCC", "d=DDDD"}));
    }

    void theWayUpRowIsLeftOutOfADeletion() {
        auto window = openWindow();
        window->ShowFolder(window->folderTree().root()->firstChild());
        SelectRows(*window, {0, 1}); // "..", inner
        {
            ModalSequence boxes({Press("Delete")});
            Parts(*window).Deletefiles1->trigger();
        }
        QCOMPARE(RowNames(*window), (QStringList{".."}));
        QCOMPARE(Reloaded(path), (QStringList{"sub/", "a=A", "b=BB", "c=CCC", "d=DDDD", "e=EEEEE"}));
        SelectRows(*window, {0});
        Parts(*window).Deletefiles1->trigger();
        QCOMPARE(Reloaded(path).size(), 6);
    }

    void addedAndRenamedRowsTakeTheirPlaceInTheSort() {
        auto window = openWindow();
        window->ListView1ColumnClick(0); // by name
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("bb"), "x");
        std::filesystem::create_directories(disk.file("new"));
        window->AddPath(disk.file("bb"));
        window->AddPath(disk.file("new"));
        QCOMPARE(RowNames(*window), (QStringList{"new", "sub", "a", "b", "bb", "c", "d", "e"}));
        SelectRows(*window, {2});
        ModalDriver rename(TypeName("ca"));
        Parts(*window).Renamefile1->trigger();
        QCOMPARE(RowNames(*window), (QStringList{"new", "sub", "b", "bb", "c", "ca", "d", "e"}));
        QCOMPARE(window->SelectedRows(), std::vector<int>{5});
    }

    void renamingNeedsExactlyOneRow() {
        auto window = openWindow();
        SelectRows(*window, {1, 2});
        ModalDriver driver(TypeName("never"), 300);
        Parts(*window).Renamefile1->trigger();
        QVERIFY(!driver.answered());
        QCOMPARE(RowNames(*window), (QStringList{"sub", "a", "b", "c", "d", "e"}));
    }

    void namesThatCannotBeStoredOrExistAreRefusedWithTheReason() {
        auto window = openWindow();
        const struct {
            int row;
            QString name;
            QString error;
        } cases[] = {
            {2, QString(32, 'n'),
             "Cannot name an entry \"" + QString(32, 'n') +
                 "\": the name is 32 bytes long; a package entry's name holds at most 31."},
            {2, "", "Cannot name an entry \"\": a name cannot be empty."},
            {1, "bad/name", "Cannot name an entry \"bad/name\": a name cannot hold \"/\""},
            {1, "B", "Cannot rename \"a\" to \"B\": \"b\" already exists."},
            {0, "A", "Cannot rename \"sub\" to \"A\": \"a\" already exists."},
        };
        const QStringList before = Reloaded(path);
        for (const auto& c : cases) {
            SelectRows(*window, {c.row});
            const QString caption = RowNames(*window).at(c.row);
            // The box opens again with what was typed and why it was refused.
            QString again, typed;
            ModalSequence boxes({TypeName(c.name), [&](QWidget* widget) {
                                     auto* dialog = qobject_cast<QInputDialog*>(widget);
                                     again = dialog->labelText();
                                     typed = dialog->textValue();
                                     dialog->reject();
                                 }});
            Parts(*window).Renamefile1->trigger();
            QCOMPARE(again, caption + "\n\n" + c.error);
            QCOMPARE(typed, c.name);
            QCOMPARE(RowNames(*window), (QStringList{"sub", "a", "b", "c", "d", "e"}));
        }
        QCOMPARE(Reloaded(path), before);
        // Another case of its own name is no clash.
        SelectRows(*window, {1});
        ModalDriver rename(TypeName("A"));
        Parts(*window).Renamefile1->trigger();
        QCOMPARE(RowNames(*window).at(1), QString("A"));
    }

    void addingANameThatExistsAsksReplaceKeepBothOrSkip() {
        auto window = openWindow();
        tessel::testing::TempDir disk;
        tessel::testing::WriteFileBytes(disk.file("A"), "new A");
        tessel::testing::WriteFileBytes(disk.file("B"), "new B");
        const std::vector<std::string> both{disk.file("A"), disk.file("B")};
        const struct {
            std::vector<ModalDriver::Answer> answers;
            QStringList entries;
        } cases[] = {
            {{Press("Replace"), Press("Skip")}, {"a=new A", "b=BB"}},
            // Kept beside, a file takes a free name.
            {{Press("Keep both", true)}, {"a=A", "b=BB", "A (2)=new A", "B (2)=new B"}},
            {{Press("Skip", true)}, {"a=A", "b=BB"}},
            {{Press("Cancel")}, {"a=A", "b=BB"}},
        };
        for (const auto& c : cases) {
            window = openWindow();
            ModalSequence boxes(c.answers);
            window->RunCommand([&] { window->AddPaths(both, window->CurrentFolder(), {}); });
            QCOMPARE(boxes.answeredCount(), int(c.answers.size()));
            QCOMPARE(Reloaded(path).filter(QRegularExpression("^[abAB]( \\(2\\))?=")), c.entries);
            QCOMPARE(RowNames(*window).filter(QRegularExpression("^[abAB]( \\(2\\))?$")).size(),
                     int(c.entries.size()));
            QVERIFY(boxes.texts().value(0).startsWith("p.vp already has \"a\".\nIn the package: 1 bytes"));
        }
        // What could not be added is named once the rest is in.
        ModalSequence boxes({Press("OK")});
        window->AddPaths({disk.file("missing"), disk.file(std::string(32, 'x'))}, window->CurrentFolder(),
                         {});
        QCOMPARE(boxes.texts().value(0).section('\n', 0, 3),
                 "2 of the items given could not be added:\n\n" +
                     QString::fromStdString(disk.file("missing")) + ": No such file or directory\n" +
                     QString::fromStdString(disk.file(std::string(32, 'x'))) +
                     ": the name is 32 bytes long; a package entry's name holds at most 31");
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

    void aDroppedArchiveIsAskedAbout() {
        // An archive of our own making: a package written out as a zip.
        const std::string zip = dir.file("mod.zip");
        {
            const std::string source = dir.file("mod.vp");
            PackageBuilder().file("x.tbl", "X").file("y.tbl", "Y").writeTo(source);
            tessel::Package mod;
            mod.LoadPackage(source);
            mod.WriteArchive(zip);
        }
        const struct {
            const char* answer;
            QStringList added;
        } cases[] = {{"Add its contents", {"x.tbl", "y.tbl"}}, {"Add the file", {"mod.zip"}}, {"Cancel", {}}};
        for (const auto& c : cases) {
            auto window = openWindow();
            const QStringList before = RowNames(*window);
            ModalSequence boxes({Press(c.answer)});
            window->DropFileTarget1Drop({QString::fromStdString(zip)});
            QVERIFY(boxes.texts().value(0).startsWith("\"mod.zip\" is an archive."));
            QCOMPARE(RowNames(*window).mid(before.size()), c.added);
        }
    }

    void addedEntriesGetRowsOnlyInTheFolderShown() {
        auto window = openWindow();
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
        // The totals follow every edit.
        QCOMPARE(Parts(*window).StatusPanel1->text(), QString("Total 2 folders and 17 Bytes in 6 files"));
        window->ShowFolder(window->folderTree().root()->firstChild());
        window->AddPath(disk.file("tree"));
        QCOMPARE(RowNames(*window), (QStringList{"..", "tree", "inner"}));
        QCOMPARE(Reloaded(path).filter("deep").size(), 2);
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    EditCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "edit_commands_test.moc"
