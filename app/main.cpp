// Tessel: browse and edit VP packages. `tessel [PACKAGE]` opens the package given.
#include "main_window.h"
#include "tessel_application.h"
#include "tessel_version.h"

#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Help, the version and usage errors need no display: the arguments are read first.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription("Browse and edit VP packages.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption overlay(
        "overlay", "Show the merged view of the packages and folders given, the first taking precedence.");
    parser.addOption(overlay);
    parser.addPositionalArgument("PACKAGE", "The package to open (optional).", "[PACKAGE]");
    if (!parser.parse(arguments) || (parser.positionalArguments().size() > 1 && !parser.isSet(overlay))) {
        const QString why =
            parser.errorText().isEmpty() ? "only one package can be open at a time" : parser.errorText();
        std::fprintf(stderr, "tessel: %s\nusage: tessel [PACKAGE]   (tessel --help)\n", qPrintable(why));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText().replace("<executable_name>", "tessel")), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tessel %s\n", tessel::kProgramVersion);
        return 0;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "tessel: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Run it on a desktop, or under a virtual display: xvfb-run -a tessel\n");
        return 1;
    }
    tessel::ui::TesselApplication app(argc, argv);
    QApplication::setApplicationName("tessel");
    QApplication::setApplicationVersion(tessel::kProgramVersion);
    tessel::ui::Form1 mainWindow;
    mainWindow.show();
    if (parser.isSet(overlay))
        mainWindow.ShowOverlay(parser.positionalArguments());
    else if (!parser.positionalArguments().isEmpty()) {
        const std::string package = parser.positionalArguments().first().toStdString();
        // An error shows the usual box over the window, which stays open.
        mainWindow.RunCommand([&] { mainWindow.LoadPackage(package); });
    }
    return app.exec();
}
