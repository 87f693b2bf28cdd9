// The application object. Errors that escape an event handler are shown in the standard
// error box instead of ending the program.
#pragma once

#include <QApplication>

namespace tessel::ui {

class TesselApplication : public QApplication {
public:
    TesselApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tessel::ui
