// The window's commands that write entries out: Extract, Open file, View file, and the
// drag of rows onto other windows.
#pragma once

#include "window_context.h"

#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace tessel::ui {

class DragOut;
class EditBack;
class Form2;
class Launcher;
struct RunOutcome;

class ExtractCommands : public QObject {
    Q_OBJECT
public:
    ExtractCommands(const WindowContext& context, EditBack& editBack);
    ~ExtractCommands() override;

    Form2* optionsDialog() const { return options_; }
    // Replaces the desktop launcher, as tests do.
    void setLauncher(std::unique_ptr<Launcher> launcher);

    // Asks where, then writes the whole package or the selected entries there.
    void extract();
    // Extracts the selected entries into the options dialog's destination, asking before a
    // file there is replaced.
    void extractSelection();
    // Hands a copy of the one selected file to its desktop program, or to the text editor;
    // on one folder row (or "..") goes there instead.
    void openFile();
    void viewFile();
    // A drag of the selected rows was detected on the list.
    void startDrag();
    // The drag's target took the drop: the entries are written into the drag's folder.
    void dropOut();
    void afterDrop(Qt::DropAction result);

private:
    // Says in the status bar what an extraction wrote and where, with a link to the folder.
    void report(const RunOutcome& outcome, const std::string& destination);
    // A copy of the one selected file row in a folder of its own, watched for changes; empty
    // when the selection is not exactly one file or the copy was cancelled.
    QString copyOfSelectedFile();
    // Open file and View file on one folder row (or "..") go there; true when they did.
    bool enterSelectedFolder();
    // Hands the copy to the text editor, or says that there is none.
    void viewText(const QString& copy);

    WindowContext context_;
    EditBack& editBack_;
    Form2* options_;
    std::unique_ptr<Launcher> launcher_;
    DragOut* dragOut_;
};

} // namespace tessel::ui
