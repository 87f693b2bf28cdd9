#include "tessel_application.h"

#include "error_box.h"

#include <exception>
#include <malloc.h>

namespace tessel::ui {

TesselApplication::TesselApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Previews come and go in blocks of many megabytes. A fixed threshold keeps such blocks
    // mapped on their own, so that each goes back to the system when freed; the adaptive
    // one would keep the largest freed so far in the heap for good.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Sounds play through Qt's own decoder, which needs no plugins of the desktop's media
    // framework; the user may choose another.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
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
