#include "error_box.h"

#include <QMessageBox>

namespace tessel::ui {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > QChar('.').unicode())
        return message + ".";
    return message;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, ErrorBoxText(message), QMessageBox::Ok, parent);
    box.exec();
}

} // namespace tessel::ui
