// Hands files to the programs of the desktop: the one associated with a file's type, and
// the plain-text editor. Neither call waits for the program.
#pragma once

#include <QString>
#include <QStringList>

namespace tessel::ui {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens the file with the program that the desktop associates with its type; false
    // when the desktop has none for it.
    virtual bool open(const QString& path) = 0;
    // Opens the file in a plain-text editor, whatever its type; false when none was found.
    virtual bool viewText(const QString& path) = 0;
};

class DesktopLauncher : public Launcher {
public:
    bool open(const QString& path) override;
    bool viewText(const QString& path) override;
};

// The command line that starts a desktop entry's Exec line with one file: field codes for
// files and URLs become the file, the others go. Empty when the line cannot be used.
QStringList DesktopExecCommand(const QString& execLine, const QString& file);

} // namespace tessel::ui
