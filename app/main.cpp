// Tessel: browse and edit VP packages.
#include "main_window.h"
#include "tessel_application.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "tessel: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Run it on a desktop, or under a virtual display: xvfb-run -a tessel\n");
        return 1;
    }
    tessel::ui::TesselApplication app(argc, argv);
    // The program takes no arguments: a package named on the command line is not opened.
    tessel::ui::Form1 mainWindow;
    mainWindow.show();
    return app.exec();
}
