#include "launcher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace tessel::ui {

namespace {

// Graphical editors to try when the desktop names none that we can start.
const char* const kKnownEditors[] = {
    "gnome-text-editor", "gedit", "kwrite", "kate", "mousepad", "pluma", "xed",
    "featherpad",        "geany", "leafpad"};
constexpr int kQuickCommandMs = 3000;

// Starts the program detached, with standard input and output on /dev/null so that it
// keeps none of ours open.
bool StartDetached(const QStringList& command) {
    if (command.isEmpty() || QStandardPaths::findExecutable(command.first()).isEmpty())
        return false;
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

// Output of a short helper command, or empty.
QString QuickOutput(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(kQuickCommandMs) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString FindDesktopEntry(const QString& id) {
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
}

// A key of a desktop entry's main group.
QString DesktopEntryValue(const QString& entryPath, const QString& key) {
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
        } else if (inMainGroup && line.startsWith(key + "=")) {
            return line.mid(key.size() + 1).trimmed();
        }
    }
    return {};
}

bool StartDesktopEntry(const QString& entryPath, const QString& file) {
    if (DesktopEntryValue(entryPath, "Terminal").compare("true", Qt::CaseInsensitive) == 0)
        return false; // an editor inside a terminal would not show without one
    // gio answers at once, and fails fast when it cannot start the program.
    if (!QStandardPaths::findExecutable("gio").isEmpty()) {
        QProcess gio;
        gio.setStandardInputFile(QProcess::nullDevice());
        gio.start("gio", {"launch", entryPath, file});
        if (gio.waitForFinished(kQuickCommandMs) && gio.exitStatus() == QProcess::NormalExit &&
            gio.exitCode() == 0)
            return true;
    }
    return StartDetached(DesktopExecCommand(DesktopEntryValue(entryPath, "Exec"), file));
}

} // namespace

QStringList DesktopExecCommand(const QString& execLine, const QString& file) {
    QStringList command = QProcess::splitCommand(execLine);
    QStringList result;
    bool placed = false;
    for (const QString& argument : command) {
        if (argument == "%f" || argument == "%F" || argument == "%u" || argument == "%U") {
            result << file;
            placed = true;
        } else if (argument.size() == 2 && argument.startsWith('%')) {
            continue;
        } else {
            result << argument;
        }
    }
    if (result.isEmpty())
        return {};
    if (!placed)
        result << file;
    return result;
}

bool DesktopLauncher::open(const QString& path) {
    // xdg-open starts whatever it finds, or a browser; a type without a program of its own
    // is said so instead.
    if (!QStandardPaths::findExecutable("xdg-mime").isEmpty()) {
        const QString type = QMimeDatabase().mimeTypeForFile(path).name();
        if (QuickOutput("xdg-mime", {"query", "default", type}).isEmpty())
            return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopLauncher::viewText(const QString& path) {
    const QString id = QuickOutput("xdg-mime", {"query", "default", "text/plain"});
    if (!id.isEmpty()) {
        const QString entry = FindDesktopEntry(id.split(';').first());
        if (!entry.isEmpty() && StartDesktopEntry(entry, path))
            return true;
    }
    for (const char* editor : kKnownEditors) {
        if (StartDetached({editor, path}))
            return true;
    }
    return false;
}

} // namespace tessel::ui
