// The commands that choose files on disk: Open, New Package, Add Files and Add Folder. Each
// file dialog starts in the folder of the package open, else of the one opened last.
#pragma once

#include "window_context.h"

#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace tessel::ui {

class EditCommands;

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(const WindowContext& context, EditCommands& edits,
                 std::function<void(const std::string&)> openPackage);

    void open();
    // Creates an empty package under the name chosen and opens it, ready for adding.
    void newPackage();
    void addFiles();
    void addFolder();

private:
    QString startFolder() const;

    WindowContext context_;
    EditCommands& edits_;
    std::function<void(const std::string&)> openPackage_;
};

} // namespace tessel::ui
