#include "compare_commands.h"

#include "comparison_marks.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tessel::ui {

CompareCommands::CompareCommands(const WindowContext& context) : QObject(context.window), context_(context) {}

void CompareCommands::compareWithPackage() {
    if (!context_.package.isOpen())
        return;
    QFileDialog dialog(context_.window, "Compare With Package",
                       QFileInfo(QString::fromStdString(context_.package.path())).path(), "VP Files (*.vp)");
    dialog.setObjectName("CompareDialog");
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        compareWith(dialog.selectedFiles().first());
}

void CompareCommands::compareWithFolder() {
    if (!context_.package.isOpen())
        return;
    QFileDialog dialog(context_.window, "Compare With Folder",
                       QFileInfo(QString::fromStdString(context_.package.path())).path());
    dialog.setObjectName("CompareDialog");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        compareWith(dialog.selectedFiles().first());
}

void CompareCommands::compareWith(const QString& path) {
    auto marks =
        std::make_shared<const ComparisonMarks>(ComparisonMarks::Make(context_.package, path.toStdString()));
    context_.browser.setComparison(marks);
    context_.status.showNote(marks->summary());
    emit comparing(true);
}

void CompareCommands::end() {
    if (!context_.browser.comparison())
        return;
    context_.browser.setComparison(nullptr);
    context_.status.showResult({});
    emit comparing(false);
}

} // namespace tessel::ui
