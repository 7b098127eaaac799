#include <QApplication>
#include <cstdio>

#include "window/FrmPictrak.h"

int main(int argc, char** argv) {
    const std::shared_ptr<Platform> system = systemPlatform();
    // Qt would only abort without a display.
    if (const std::string why = system->DisplayProblem(); !why.empty()) {
        std::fprintf(stderr,
                     "pictrak2shp is a desktop program and needs a graphical display, but %s.\n"
                     "Start it from a desktop session, or under a virtual one: xvfb-run pictrak2shp\n",
                     why.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictrak");
    WindowPlatform platform;
    platform.system = system;
    FrmPictrak window(platform);
    window.show();
    return app.exec();
}
