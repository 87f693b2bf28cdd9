#include "entry_path.h"
#include "hex_view.h"
#include "image_preview.h"
#include "line_numbered_edit.h"
#include "list_helpers.h"
#include "main_window.h"
#include "modal_driver.h"
#include "package_builder.h"
#include "picture_builder.h"
#include "preview_pane.h"
#include "settings.h"
#include "sound_preview.h"
#include "text_preview.h"
#include "window_parts.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using tessel::testing::ModalSequence;
using tessel::testing::PackageBuilder;
using tessel::testing::Parts;
using tessel::testing::Press;
using tessel::ui::Form1;
using tessel::ui::PreviewPane;

namespace {

std::string PngBytes() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// The entry's bytes as the file holds them now.
std::string EntryBytesOnDisk(const std::string& path, const std::string& entry) {
    tessel::Package package;
    package.LoadPackage(path);
    const tessel::TreeNode* node = tessel::FindEntry(package.tree(), entry);
    if (!node || !node->record())
        return "(none)";
    const std::string bytes = tessel::testing::ReadFileBytes(path);
    return bytes.substr(std::size_t(node->record()->Offset), std::size_t(node->record()->Size));
}

// What the pane shows, in a word and the text it shows it with.
QString Shown(PreviewPane& pane) {
    if (pane.tabs()->currentIndex() == 1)
        return "bytes: " + pane.bytesView()->visibleText().section('\n', 0, 0);
    if (!pane.message().isEmpty())
        return "message: " + pane.message();
    if (pane.textView()->isVisibleTo(&pane))
        return "text: " + pane.textView()->findChild<QLabel*>("TextState")->text() + ": " +
               pane.textView()->text().section('\n', 0, 0);
    if (pane.imageView()->isVisibleTo(&pane))
        return "image: " + pane.imageView()->facts();
    return "sound: " + pane.soundView()->facts();
}

} // namespace

class PreviewPaneTest : public QObject {
    Q_OBJECT
    tessel::testing::TempDir dir;
    std::string path;

    std::unique_ptr<Form1> openWindow(const PackageBuilder& builder) {
        builder.writeTo(path);
        auto window = std::make_unique<Form1>();
        window->LoadPackage(path);
        window->resize(900, 500);
        window->show();
        return window;
    }
    // The package of the editing tests: texts in both encodings beside a file.
    std::unique_ptr<Form1> openTexts() {
        return openWindow(PackageBuilder()
                              .file("a.txt", "alpha\nbeta\n")
                              .file("old.txt", "caf\xE9\n")
                              .file("other.bin", std::string("\x01\x02", 2)));
    }
    static PreviewPane& pane(Form1& window) { return *window.previewPane(); }
    // Makes the row current and waits for its preview.
    static void showRow(Form1& window, int row) {
        auto* list = Parts(window).ListView1;
        list->setCurrentIndex(list->model()->index(row, 0));
        QTRY_VERIFY(!pane(window).loading());
    }
    static void type(Form1& window, const QString& text) {
        tessel::ui::LineNumberedEdit* editor = pane(window).textView()->editor();
        editor->setFocus();
        editor->moveCursor(QTextCursor::End);
        editor->insertPlainText(text);
    }

private slots:
    void initTestCase() {
        path = dir.file("p.vp");
        tessel::ui::Settings().clear();
    }
    void cleanup() { tessel::testing::CloseStrayDialogs(); }

    void choosingTheView_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* tag, const std::string& bytes, const char* name, const char* shown) {
            QTest::newRow(tag) << QByteArray::fromStdString(bytes) << name << shown;
        };
        row("utf-8 text", "caf\xC3\xA9 = 1\nnext\n", "t.tbl", "text: UTF-8, 2 lines: café = 1");
        row("windows-1252 text", "caf\xE9\n", "t.txt", "text: Windows-1252, 1 line: café");
        row("png", PngBytes(), "p.png", "image: 3 × 2 pixels, PNG, 32 bits a pixel, with transparency");
        row("pcx", tessel::testing::PcxFile(8, 1, 4, 2, [](int, int, int) { return 7; }), "p.pcx",
            "image: 4 × 2 pixels, PCX, 8 bits, 8 bits a pixel");
        row("dxt5", tessel::testing::DdsFile("DXT5", 4, 4, std::string(16, '\0')), "d.dds",
            "image: 4 × 4 pixels, DDS, DXT5, 8 bits a pixel, with transparency");
        row("hostile dds", tessel::testing::DdsFile("DXT5", 4096, 4096, std::string(16, '\0')), "d.dds",
            "message: The DDS texture ends before its pixels: 16777216 bytes are needed, 16 follow the "
            "header");
        row("wav", tessel::testing::WavFile(1, 8000, 8, 4000), "s.wav",
            "sound: WAV, PCM, 1 channel, 8000 Hz, 8 bits, 0:00.5");
        row("ogg", tessel::testing::OggVorbisFile(2, 44100, 441000), "s.ogg",
            "sound: Ogg Vorbis, 2 channels, 44100 Hz, 0:10.0");
        row("bytes",
            std::string("\x00\x01\x02"
                        "ABC",
                        6),
            "x.bin", "bytes: 00000000  00 01 02 41 42 43                                 ...ABC");
    }
    void choosingTheView() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, shown);
        auto window = openWindow(PackageBuilder().file(name.toStdString(), bytes.toStdString()));
        showRow(*window, 0);
        QCOMPARE(Shown(pane(*window)), shown);
    }

    void foldersAndDataOutsideTheFileAreSaidInWords() {
        auto window =
            openWindow(PackageBuilder()
                           .folder("sub")
                           .file("one", "11")
                           .file("two", "222")
                           .end()
                           .raw(tessel::testing::Rec(5000, 10, tessel::testing::kDefaultTimestamp, "far")));
        showRow(*window, 0);
        QCOMPARE(Shown(pane(*window)), QString("message: \"sub\" holds 0 folders and 2 files; with "
                                               "everything inside them, 2 files of 5 Bytes"));
        showRow(*window, 1);
        QVERIFY2(Shown(pane(*window)).contains("offset 5000 of 10 bytes lies outside"),
                 qPrintable(Shown(pane(*window))));
    }

    void savingWritesTheTextInItsOwnEncoding() {
        auto window = openTexts();
        showRow(*window, 1); // old.txt, Windows-1252
        type(*window, "cr\xC3\xA8me\n");
        QVERIFY(pane(*window).modified());
        QVERIFY(Shown(pane(*window)).startsWith("text: Modified: Ctrl+S saves it into the package"));
        QTest::keySequence(pane(*window).textView()->editor(), QKeySequence::Save);
        QVERIFY(!pane(*window).modified());
        QCOMPARE(EntryBytesOnDisk(path, "old.txt"), std::string("caf\xE9\ncr\xE8me\n"));
        // The list shows the new size at once; the others keep their bytes.
        QCOMPARE(Parts(*window).model->index(1, 1).data().toString(), QString("11"));
        QCOMPARE(EntryBytesOnDisk(path, "a.txt"), std::string("alpha\nbeta\n"));
        // Undo goes back over the typing and marks the text changed again.
        QTest::keySequence(pane(*window).textView()->editor(), QKeySequence::Undo);
        QVERIFY(pane(*window).modified());
    }

    void savingIsRefusedWithTheReasonAndTheTextStays_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("reason");
        QTest::newRow("changed on disk") << 0 << "has changed on disk";
        QTest::newRow("a character without a byte") << 1 << "Windows-1252 has no byte for";
        QTest::newRow("entry deleted") << 2 << "no longer in the package";
    }
    void savingIsRefusedWithTheReasonAndTheTextStays() {
        QFETCH(int, way);
        QFETCH(QString, reason);
        auto window = openTexts();
        showRow(*window, way == 1 ? 1 : 0);
        type(*window, way == 1 ? "\xE2\x86\x92" : "gamma\n");
        const std::string before = tessel::testing::ReadFileBytes(path);
        std::string expectedAfter = before;
        if (way == 0) {
            tessel::Package other;
            other.LoadPackage(path);
            other.RenameEntry(tessel::FindEntry(other.tree(), "other.bin"), "moved.bin");
            expectedAfter = tessel::testing::ReadFileBytes(path);
        }
        const QString typed = pane(*window).textView()->text();
        // Deleting asks first; leaving the deleted entry asks about the text, whose saving fails.
        ModalSequence boxes(way == 2 ? std::vector{Press("Delete"), Press("Save"), Press("OK")}
                                     : std::vector{Press("OK")});
        if (way == 2) {
            tessel::testing::SelectRows(*window, {0});
            Parts(*window).Deletefiles1->trigger();
        } else {
            pane(*window).textView()->findChild<QPushButton*>("SaveText")->click();
        }
        QCOMPARE(boxes.answeredCount(), way == 2 ? 3 : 1);
        QVERIFY2(boxes.texts().join('\n').contains(reason), qPrintable(boxes.texts().join('\n')));
        QCOMPARE(pane(*window).textView()->text(), typed);
        QVERIFY(pane(*window).modified());
        if (way != 2)
            QCOMPARE(tessel::testing::ReadFileBytes(path), expectedAfter);
    }

    void leavingUnsavedTextAsks_data() {
        QTest::addColumn<int>("leaving");
        QTest::addColumn<QString>("answer");
        const char* leavings[] = {"the entry", "the folder", "the package", "the window"};
        for (int leaving = 0; leaving < 4; ++leaving)
            for (const char* answer : {"Save", "Discard", "Cancel"})
                QTest::addRow("%s, %s", leavings[leaving], answer) << leaving << QString(answer);
    }
    void leavingUnsavedTextAsks() {
        QFETCH(int, leaving);
        QFETCH(QString, answer);
        auto window =
            openWindow(PackageBuilder().folder("sub").file("in", "x").end().file("a.txt", "alpha\n"));
        showRow(*window, 1);
        type(*window, "more\n");
        ModalSequence boxes({Press(answer)});
        bool closed = false;
        if (leaving == 0)
            Parts(*window).ListView1->setCurrentIndex(Parts(*window).model->index(0, 0));
        else if (leaving == 1)
            window->ListView1DblClick(Parts(*window).model->index(0, 0));
        else if (leaving == 2)
            window->ReloadClick();
        else
            closed = window->close();
        QCOMPARE(boxes.answeredCount(), 1);
        QCOMPARE(EntryBytesOnDisk(path, "a.txt"),
                 std::string(answer == "Save" ? "alpha\nmore\n" : "alpha\n"));
        QCOMPARE(pane(*window).modified(), answer == "Cancel");
        if (leaving == 1)
            QCOMPARE(window->CurrentFolder()->parent() != nullptr, answer != "Cancel");
        if (leaving == 3)
            QCOMPARE(closed, answer != "Cancel");
    }

    void thePaneIsShownAtFirstAndThenAsItWasLeft() {
        {
            auto window = openTexts();
            QVERIFY(pane(*window).isVisible());
            window->findChild<QAction*>("Preview")->trigger();
            QVERIFY(!pane(*window).isVisible());
            QVERIFY(window->close());
        }
        auto window = openTexts();
        QVERIFY(!pane(*window).isVisible());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(Parts(*window).ListView1, Qt::Key_F3);
        QVERIFY(pane(*window).isVisible());
        QTRY_VERIFY(!pane(*window).loading());
        QVERIFY(Shown(pane(*window)).startsWith("text: UTF-8"));
    }
};

QTEST_MAIN(PreviewPaneTest)
#include "preview_pane_test.moc"
