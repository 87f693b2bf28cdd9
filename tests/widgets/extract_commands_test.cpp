#include "edited_copies.h"
#include "extract_dialog.h"
#include "launcher.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "progress_window.h"
#include "settings.h"
#include "temp_folder.h"
#include "window_parts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;
using tessel::testing::CloseDialog;
using tessel::testing::ColumnTexts;
using tessel::testing::ModalDriver;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::ReadFileBytes;
using tessel::testing::RowCenter;
using tessel::testing::RowNames;
using tessel::testing::SelectRows;
using tessel::ui::Form1;
using tessel::ui::Form2;

namespace {

struct Launched {
    QStringList opened;
    QStringList viewed;
    // The desktop has no program for the files opened, or no text editor.
    bool noProgram = false;
    bool noEditor = false;
};

class RecordingLauncher : public tessel::ui::Launcher {
public:
    explicit RecordingLauncher(Launched& launched) : launched_(launched) {}
    bool open(const QString& path) override {
        launched_.opened << path;
        return !launched_.noProgram;
    }
    bool viewText(const QString& path) override {
        launched_.viewed << path;
        return !launched_.noEditor;
    }

private:
    Launched& launched_;
};

// Answers the options dialog: the destination (made, so that OK asks nothing), then OK (or
// the given button).
ModalDriver::Answer Options(const QString& destination, std::function<void(Form2*)> choose = {}) {
    return [destination, choose](QWidget* widget) {
        auto* dialog = qobject_cast<Form2*>(widget);
        QVERIFY(dialog);
        std::error_code unmade;
        fs::create_directories(destination.toStdString(), unmade);
        dialog->LabeledEdit1->setText(destination);
        if (choose)
            choose(dialog);
        else
            dialog->Button1->click();
    };
}

std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> lines;
    if (!fs::exists(root))
        return lines;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        lines.push_back(fs::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

class ExtractCommandsTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string package;
    Launched launched;

    std::unique_ptr<Form1> openWindow() {
        auto window = std::make_unique<Form1>();
        window->setLauncher(std::make_unique<RecordingLauncher>(launched));
        window->LoadPackage(package);
        return window;
    }

private slots:
    void initTestCase() {
        qputenv("TMPDIR", QByteArray::fromStdString(dir.path()));
        package = dir.file("p.vp");
        PackageBuilder()
            .folder("data")
            .file("ships.tbl", "SHIPS")
            .folder("deep")
            .file("x", "X")
            .end()
            .end()
            .file("notes.txt", "NOTES")
            .file("empty.bin", "")
            .writeTo(package);
    }
    void init() {
        launched = {};
        tessel::ui::Settings().clear();
    }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void nothingHappensWithoutAPackage() {
        Form1 window;
        Parts(window).ToolButton5->trigger();
        Parts(window).extracttoaspecifiedfolder1->trigger();
        QVERIFY(!Parts(window).Form2->isVisible());
    }

    void withoutSelectionTheWholePackageIsWritten() {
        auto window = openWindow();
        const std::string out = dir.file("all");
        bool presetAll = false, selectedEnabled = true;
        ModalDriver driver(Options(QString::fromStdString(out), [&](Form2* dialog) {
            presetAll = dialog->RadioButton1->isChecked();
            selectedEnabled = dialog->RadioButton2->isEnabled();
            dialog->Button1->click();
        }));
        Parts(*window).ToolButton5->trigger();
        QVERIFY(driver.answered());
        QVERIFY(presetAll);
        QVERIFY(!selectedEnabled);
        QCOMPARE(Listing(out), (std::vector<std::string>{"data/", "data/deep/", "data/deep/x",
                                                         "data/ships.tbl", "empty.bin", "notes.txt"}));
        QVERIFY(!Parts(*window).Form3->isVisible());
    }

    void aSelectionWritesOnlyItsEntriesAndTheWayUpRowIsLeftOut() {
        auto window = openWindow();
        window->ShowFolder(window->folderTree().root()->firstChild());
        SelectRows(*window, {0, 1}); // "..", deep
        const std::string out = dir.file("selected");
        bool presetSelected = false;
        ModalDriver driver(Options(QString::fromStdString(out), [&](Form2* dialog) {
            presetSelected = dialog->RadioButton2->isChecked();
            dialog->Button1->click();
        }));
        Parts(*window).extracttoaspecifiedfolder1->trigger();
        QVERIFY(presetSelected);
        QCOMPARE(Listing(out), (std::vector<std::string>{"deep/", "deep/x"}));
        QCOMPARE(ReadFileBytes(out + "/deep/x"), std::string("X"));
    }

    void choosingExtractAllWinsOverTheSelection() {
        auto window = openWindow();
        SelectRows(*window, {1});
        const std::string out = dir.file("chosen-all");
        ModalDriver driver(Options(QString::fromStdString(out), [](Form2* dialog) {
            dialog->RadioButton1->setChecked(true);
            dialog->Button1->click();
        }));
        Parts(*window).ToolButton5->trigger();
        QCOMPARE(Listing(out).size(), std::size_t(6));
    }

    void keepDatesDatesTheFilesAsTheirEntriesAndIsRemembered() {
        for (const bool keep : {true, false}) {
            auto window = openWindow();
            const std::string out = dir.file(keep ? "dated" : "undated");
            bool presetKeep = !keep;
            ModalDriver driver(Options(QString::fromStdString(out), [&](Form2* dialog) {
                presetKeep = dialog->KeepDates->isChecked();
                dialog->KeepDates->setChecked(keep);
                dialog->Button1->click();
            }));
            Parts(*window).ToolButton5->trigger();
            QCOMPARE(presetKeep, !keep); // the first run starts unticked, the second as the first left it
            struct stat written {};
            QCOMPARE(::stat((out + "/notes.txt").c_str(), &written), 0);
            QCOMPARE(written.st_mtime == tessel::testing::kDefaultTimestamp, keep);
        }
    }

    void cancelCloseAndEscapeWriteNothing() {
        auto window = openWindow();
        const std::string out = dir.file("never");
        {
            ModalDriver driver(
                Options(QString::fromStdString(out), [](Form2* dialog) { dialog->Button2->click(); }));
            Parts(*window).ToolButton5->trigger();
        }
        {
            ModalDriver driver(Options(QString::fromStdString(out), [](Form2* dialog) { dialog->close(); }));
            Parts(*window).ToolButton5->trigger();
            QCOMPARE(Parts(*window).Form2->result(), Form2::ResultClosed);
        }
        {
            // Escape cancels; Return means OK even with the focus on Cancel.
            ModalDriver driver(Options(QString::fromStdString(out), [](Form2* dialog) {
                dialog->Button2->setFocus();
                QVERIFY(!dialog->Button2->autoDefault());
                QTest::keyClick(dialog, Qt::Key_Escape);
            }));
            Parts(*window).ToolButton5->trigger();
            QCOMPARE(Parts(*window).Form2->result(), Form2::ResultCancel);
        }
        QVERIFY(fs::is_empty(out));
        // The destination typed last is kept for the next use.
        QCOMPARE(Parts(*window).Form2->LabeledEdit1->text(), QString::fromStdString(out));
    }

    void theProgressWindowShowsNamesAndWholePercents() {
        tessel::ui::Form3 form;
        form.showForRun();
        form.Progress("extracting", "Main", 9, 0);
        QCOMPARE(form.LFile->text(), QString("Main"));
        QCOMPARE(form.LProgress->text(), QString("0%"));
        form.Progress("extracting", "a", 9, 1);
        QCOMPARE(form.LProgress->text(), QString("11%"));
        QCOMPARE(form.ProgressBar1->value(), 11);
        form.Progress("adding", "/home/me/b", 8, 1);
        QCOMPARE(form.StaticText1->text(), QString("adding"));
        QCOMPARE(form.LProgress->text(), QString("13%"));
        form.Progress("adding", "/home/me/c", 2, 2);
        QCOMPARE(form.LProgress->text(), QString("100%"));
        // A new run starts from the previous run's last value.
        form.Progress("extracting", "d", 5, 0);
        QCOMPARE(form.LProgress->text(), QString("100%"));
        QVERIFY(form.isVisible());
        form.Progress("extracting", "", 5, 5);
        QVERIFY(!form.isVisible());
        QCOMPARE(tessel::ui::PercentText(8, 1), QString("13%"));
        QCOMPARE(tessel::ui::PercentText(3, 1), QString("33%"));
    }

    void cancelStopsTheRunBetweenItemsAndKeepsWhatWasWritten() {
        auto window = openWindow();
        tessel::ui::Form3* progress = Parts(*window).Form3;
        // The Cancel button, Escape and the close box all cancel.
        const std::function<void()> cancels[] = {
            [&] { progress->CancelButton->click(); },
            [&] { QTest::keyClick(progress, Qt::Key_Escape); },
            [&] { progress->close(); },
        };
        for (const auto& cancel : cancels) {
            const std::string out = dir.file("cancelled");
            fs::remove_all(out);
            Parts(*window).Form2->LabeledEdit1->setText(QString::fromStdString(out));
            SelectRows(*window, {0, 1, 2}); // data, notes.txt, empty.bin
            // The first item's progress call lets this through.
            QTimer::singleShot(0, progress, cancel);
            window->ExtractSelection();
            QCOMPARE(Listing(out), (std::vector<std::string>{"data/"}));
            QVERIFY(!progress->isVisible());
            QVERIFY(!window->busy());
        }
    }

    void theMainWindowTakesNoCommandsDuringARun() {
        auto window = openWindow();
        Parts(*window).Form2->LabeledEdit1->setText(QString::fromStdString(dir.file("busy")));
        SelectRows(*window, {1});
        bool busyInside = false;
        // A dialog that opened anyway is closed, so that the fault fails the test instead of
        // holding it.
        ModalDriver stray(CloseDialog, 3000);
        QTimer::singleShot(0, window.get(), [&] {
            busyInside = window->busy();
            Parts(*window).ToolButton5->trigger(); // would open the options dialog
            QTest::keyClick(Parts(*window).ListView1, Qt::Key_Delete);
        });
        window->ExtractSelection();
        QVERIFY(busyInside);
        QVERIFY(!stray.answered());
        QVERIFY(!Parts(*window).Form2->isVisible());
        QCOMPARE(Parts(*window).Form2->result(), 0);
    }

    void whatIsTypedIsWhereReturnExtractsAfterAskingToMakeIt() {
        using tessel::testing::ModalSequence;
        using tessel::testing::Press;
        auto window = openWindow();
        const QString typed = QString::fromStdString(dir.file("typed/deeper"));
        tessel::testing::WriteFileBytes(dir.file("plain"), "x");
        bool focused = false, selected = false;
        int asked = 0;
        QString treeShows, home;
        ModalSequence boxes({[&](QWidget* widget) {
            auto* dialog = qobject_cast<Form2*>(widget);
            QVERIFY(dialog);
            focused = dialog->focusWidget() == dialog->LabeledEdit1;
            selected = dialog->LabeledEdit1->selectedText() == dialog->LabeledEdit1->text();
            dialog->LabeledEdit1->setText("~/somewhere");
            home = dialog->destination();
            // A folder that cannot be made keeps the dialog open.
            dialog->LabeledEdit1->setText(QString::fromStdString(dir.file("plain/sub")));
            // The dialog's own questions come while this answer runs.
            ModalSequence unmade({Press("&Yes"), CloseDialog});
            dialog->Button1->click();
            asked += unmade.answeredCount();
            dialog->LabeledEdit1->selectAll();
            QTest::keyClicks(dialog->LabeledEdit1, typed);
            auto* folders = static_cast<QFileSystemModel*>(dialog->ShellTreeView1->model());
            treeShows = folders->filePath(dialog->ShellTreeView1->currentIndex());
            ModalSequence made({Press("&Yes")});
            QTest::keyClick(dialog->LabeledEdit1, Qt::Key_Return);
            asked += made.answeredCount();
        }});
        Parts(*window).ToolButton5->trigger();
        QCOMPARE(asked, 3);
        QVERIFY(focused);
        QVERIFY(selected);
        QCOMPARE(home, QDir::homePath() + "/somewhere");
        // The tree follows the field to the nearest folder that exists.
        QCOMPARE(treeShows, QString::fromStdString(dir.file("")).chopped(1));
        QCOMPARE(Listing(typed.toStdString()).size(), std::size_t(6));
    }

    void openAndViewActOnOneFileRowOnly() {
        auto window = openWindow();
        // data, notes.txt, empty.bin
        SelectRows(*window, {1, 2});
        Parts(*window).viewedit1->trigger();
        QVERIFY(launched.opened.isEmpty() && launched.viewed.isEmpty());
        // View file on a folder goes into it, as Open file does.
        SelectRows(*window, {0});
        Parts(*window).Viewfileinnotepad1->trigger();
        QCOMPARE(window->CurrentFolder(), window->folderTree().root()->firstChild());
        window->ShowFolder(window->folderTree().root());
        QVERIFY(launched.opened.isEmpty() && launched.viewed.isEmpty());

        // Each copy lands in a folder of its own inside the private temporary folder.
        const QString temp = QString::fromStdString(tessel::TempFolderPath());
        auto folderOf = [&](const QString& copy) {
            const fs::path path(copy.toStdString());
            return path.parent_path().parent_path() == temp.toStdString() ? path.parent_path().string()
                                                                          : std::string("elsewhere");
        };
        SelectRows(*window, {1});
        Parts(*window).viewedit1->trigger();
        QCOMPARE(fs::path(launched.opened.value(0).toStdString()).filename().string(),
                 std::string("notes.txt"));
        QCOMPARE(ReadFileBytes(launched.opened.value(0).toStdString()), std::string("NOTES"));
        SelectRows(*window, {2});
        Parts(*window).Viewfileinnotepad1->trigger();
        QCOMPARE(fs::path(launched.viewed.value(0).toStdString()).filename().string(),
                 std::string("empty.bin"));
        QCOMPARE(ReadFileBytes(launched.viewed.value(0).toStdString()), std::string());
        QVERIFY(folderOf(launched.opened[0]) != folderOf(launched.viewed[0]));
        QVERIFY(folderOf(launched.opened[0]) != "elsewhere");

        // Open file on a folder row goes into it, and on the ".." row back up.
        SelectRows(*window, {0});
        Parts(*window).viewedit1->trigger();
        QCOMPARE(window->CurrentFolder(), window->folderTree().root()->firstChild());
        SelectRows(*window, {0});
        Parts(*window).viewedit1->trigger();
        QCOMPARE(window->CurrentFolder(), window->folderTree().root());
        QCOMPARE(launched.opened.size(), 1);
        // Entries of sub-folders land directly in their folder.
        window->ShowFolder(window->folderTree().root()->firstChild());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QPoint shipsRow =
            Parts(*window).ListView1->visualRect(Parts(*window).ListView1->model()->index(2, 0)).center();
        QTest::mouseClick(Parts(*window).ListView1->viewport(), Qt::LeftButton, {}, shipsRow);
        QTest::mouseDClick(Parts(*window).ListView1->viewport(), Qt::LeftButton, {}, shipsRow);
        QCOMPARE(fs::path(launched.opened.last().toStdString()).filename().string(),
                 std::string("ships.tbl"));
        QCOMPARE(ReadFileBytes(launched.opened.last().toStdString()), std::string("SHIPS"));
        // The copies outlive the window no longer than needed.
        const QString copy = launched.opened.last();
        window.reset();
        QVERIFY(!fs::exists(copy.toStdString()));
    }

    void filesInTheWayAreReplacedOrKeptAsTheUserAnswers() {
        using tessel::testing::ModalSequence;
        using tessel::testing::Press;
        auto window = openWindow();
        const std::string out = dir.file("over");
        Parts(*window).Form2->LabeledEdit1->setText(QString::fromStdString(out));
        SelectRows(*window, {1, 2}); // notes.txt, empty.bin
        const QString link = QString("<a href=\"%1\">%2</a>")
                                 .arg(QUrl::fromLocalFile(QString::fromStdString(out)).toString(),
                                      QString::fromStdString(out));
        const struct {
            std::vector<tessel::testing::ModalDriver::Answer> answers;
            std::string notes, empty;
            int asked;
            QString result;
        } cases[] = {
            {{Press("Replace"), Press("Skip")},
             "NOTES",
             "mine",
             2,
             "Extracted 1 file (5 bytes) to " + link + "; kept 1 existing file (0 bytes)"},
            {{Press("Skip all")},
             "mine",
             "mine",
             1,
             "Extracted 0 files (0 bytes) to " + link + "; kept 2 existing files (5 bytes)"},
            {{Press("Replace all")}, "NOTES", "", 1, "Extracted 2 files (5 bytes) to " + link},
            {{Press("Cancel")}, "mine", "mine", 1, "Cancelled after writing 0 files (0 bytes) to " + link},
        };
        for (const auto& c : cases) {
            fs::remove_all(out);
            fs::create_directories(out);
            tessel::testing::WriteFileBytes(out + "/notes.txt", "mine");
            tessel::testing::WriteFileBytes(out + "/empty.bin", "mine");
            ModalSequence boxes(c.answers);
            window->RunCommand([&] { window->ExtractSelection(); });
            QCOMPARE(boxes.answeredCount(), c.asked);
            QCOMPARE(ReadFileBytes(out + "/notes.txt"), c.notes);
            QCOMPARE(ReadFileBytes(out + "/empty.bin"), c.empty);
            QCOMPARE(Parts(*window).StatusPanel2->text(), c.result);
            QVERIFY(!window->busy());
        }
        const QString first = QString::fromStdString(out + "/notes.txt");
        ModalSequence boxes({Press("Cancel")});
        window->RunCommand([&] { window->ExtractSelection(); });
        QVERIFY(
            boxes.texts().value(0).startsWith("\"" + first + "\" already exists.\nIn the folder: 4 bytes"));
        QVERIFY(boxes.texts().value(0).contains("From the package: 5 bytes"));
    }

    void entriesThatLandOnOnePathAreAskedAbout() {
        using tessel::testing::ModalSequence;
        using tessel::testing::Press;
        const std::string three = dir.file("dups.vp");
        PackageBuilder().file("x", "1").file("x", "2").file("x", "3").writeTo(three);
        Form1 window;
        window.LoadPackage(three);
        const std::string out = dir.file("dups");
        Parts(window).Form2->LabeledEdit1->setText(QString::fromStdString(out));
        SelectRows(window, {0, 1, 2});
        ModalSequence boxes({Press("Replace"), Press("Skip")});
        window.RunCommand([&] { window.ExtractSelection(); });
        QCOMPARE(boxes.answeredCount(), 2);
        QVERIFY(boxes.texts().value(0).startsWith("Two entries of the package land on \"" +
                                                  QString::fromStdString(out) + "/x\"."));
        QCOMPARE(ReadFileBytes(out + "/x"), std::string("2"));
    }

    void aSavedCopyFindsItsOwnEntryWhateverHappensAroundIt() {
        using tessel::testing::ModalSequence;
        using tessel::testing::Press;
        const std::string three = dir.file("three.vp");
        PackageBuilder().file("x", "1").file("x", "2").file("x", "3").writeTo(three);
        auto window = std::make_unique<Form1>();
        window->setLauncher(std::make_unique<RecordingLauncher>(launched));
        window->LoadPackage(three);
        auto* copies = window->findChild<tessel::ui::EditedCopies*>("EditedCopies");
        SelectRows(*window, {1}); // the second "x"
        Parts(*window).viewedit1->trigger();
        const std::string copy = launched.opened.last().toStdString();
        QCOMPARE(ReadFileBytes(copy), std::string("2"));
        // The first "x" goes; the copy still belongs to the second, not to the one now second.
        {
            ModalSequence boxes({Press("Delete")});
            SelectRows(*window, {0});
            Parts(*window).Deletefiles1->trigger();
        }
        tessel::testing::WriteFileBytes(copy, "two, edited");
        {
            ModalSequence boxes({Press("Update")});
            copies->checkNow();
            QCOMPARE(boxes.answeredCount(), 1);
        }
        tessel::Package reloaded;
        reloaded.LoadPackage(three);
        const std::string bytes = ReadFileBytes(three);
        QStringList contents;
        for (const tessel::TreeNode* node = reloaded.tree().root()->firstChild(); node;
             node = node->nextSibling())
            contents << QString::fromStdString(
                bytes.substr(std::size_t(node->record()->Offset), std::size_t(node->record()->Size)));
        QCOMPARE(contents, (QStringList{"two, edited", "3"}));
        // Read anew, the package cannot say which entry the copy was: the update is refused.
        window->ReloadClick();
        tessel::testing::WriteFileBytes(copy, "again");
        ModalSequence boxes({Press("Update"), Press("OK")});
        copies->checkNow();
        QVERIFY2(boxes.texts().value(1).contains("was read anew since the copy was made"),
                 qPrintable(boxes.texts().join("|")));
    }

    void aSavedCopyIsWrittenBackWhenTheUserSaysUpdate() {
        using tessel::testing::ModalSequence;
        using tessel::testing::Press;
        auto window = openWindow();
        auto* copies = window->findChild<tessel::ui::EditedCopies*>("EditedCopies");
        QVERIFY(copies);
        const std::string before = ReadFileBytes(package);
        SelectRows(*window, {1}); // notes.txt
        Parts(*window).viewedit1->trigger();
        const std::string copy = launched.opened.value(0).toStdString();
        tessel::testing::WriteFileBytes(copy, "NOTES, edited");
        {
            ModalSequence boxes({Press("Update")});
            copies->checkNow();
            QCOMPARE(boxes.texts().value(0).section('\n', 0, 0),
                     QString("notes.txt was changed. Update it in p.vp?"));
        }
        // Same place in the directory, the new bytes.
        tessel::Package reloaded;
        reloaded.LoadPackage(package);
        const tessel::TreeNode* notes = reloaded.tree().root()->firstChild()->nextSibling();
        QCOMPARE(notes->text(), std::string("notes.txt"));
        const std::string bytes = ReadFileBytes(package);
        QCOMPARE(bytes.substr(std::size_t(notes->record()->Offset), std::size_t(notes->record()->Size)),
                 std::string("NOTES, edited"));
        QCOMPARE(Parts(*window).ListView1->model()->index(1, 1).data().toString(), QString("13"));

        // Ignored changes are named on leaving; Cancel stays, Discard leaves.
        tessel::testing::WriteFileBytes(copy, "ignored");
        {
            ModalSequence boxes({Press("Ignore")});
            copies->checkNow();
            QCOMPARE(boxes.answeredCount(), 1);
        }
        {
            ModalSequence boxes({Press("Cancel"), Press("Discard")});
            QVERIFY(!window->close());
            QVERIFY(boxes.texts().value(0).contains("\n\nnotes.txt\n"));
            QVERIFY(window->close());
        }
        QCOMPARE(ReadFileBytes(package).size(), before.size() + 8);

        // An entry that is gone keeps the copy and says so.
        window = openWindow();
        copies = window->findChild<tessel::ui::EditedCopies*>("EditedCopies");
        SelectRows(*window, {2}); // empty.bin
        Parts(*window).viewedit1->trigger();
        const std::string gone = launched.opened.last().toStdString();
        {
            ModalSequence boxes({Press("Delete")});
            Parts(*window).Deletefiles1->trigger();
        }
        tessel::testing::WriteFileBytes(gone, "kept");
        ModalSequence boxes({Press("Update"), Press("OK")});
        copies->checkNow();
        QCOMPARE(boxes.answeredCount(), 2);
        QVERIFY2(boxes.texts().value(1).startsWith("The entry is no longer in p.vp: it was deleted."),
                 qPrintable(boxes.texts().join("|")));
        QCOMPARE(ReadFileBytes(gone), std::string("kept"));
        tessel::testing::WriteFileBytes(package, before);
    }

    void aFileWithoutAProgramIsOfferedToTheTextEditor() {
        auto window = openWindow();
        launched.noProgram = true;
        SelectRows(*window, {1}); // notes.txt
        tessel::testing::ModalSequence boxes({tessel::testing::Press("View file")});
        Parts(*window).viewedit1->trigger();
        QVERIFY(
            boxes.texts().value(0).startsWith("No program is set to open \"notes.txt\" on this desktop."));
        QCOMPARE(launched.viewed, launched.opened);
        // Without a text editor either, View file says so instead of doing nothing.
        launched.noEditor = true;
        tessel::testing::ModalSequence noEditor({tessel::testing::Press("OK")});
        Parts(*window).Viewfileinnotepad1->trigger();
        QVERIFY(noEditor.texts().value(0).startsWith("No text editor was found on this desktop"));
    }

    void desktopEntriesBecomeCommandLines() {
        using tessel::ui::DesktopExecCommand;
        QCOMPARE(DesktopExecCommand("gedit %U", "/tmp/a b.txt"), (QStringList{"gedit", "/tmp/a b.txt"}));
        QCOMPARE(DesktopExecCommand("mousepad %F --new-window", "/x"),
                 (QStringList{"mousepad", "/x", "--new-window"}));
        QCOMPARE(DesktopExecCommand("\"/opt/my editor/run\" %i %c", "/x"),
                 (QStringList{"/opt/my editor/run", "/x"}));
        QCOMPARE(DesktopExecCommand("", "/x"), QStringList{});
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    ExtractCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "extract_commands_test.moc"
