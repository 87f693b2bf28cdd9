#include "tessel_application.h"

#include "error_box.h"

#include <exception>

namespace tessel::ui {

TesselApplication::TesselApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kApplicationTitle);
}

bool TesselApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(activeWindow(), QString::fromStdString(error.what()));
    }
    return false;
}

} // namespace tessel::ui
