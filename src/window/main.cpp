#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "window/FrmPictrak.h"

namespace {
bool haveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;  // the user chose one; Qt reports its own troubles
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
}  // namespace

int main(int argc, char** argv) {
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "pictrak2shp is a desktop program and needs a graphical display, but none is set "
                     "(DISPLAY and WAYLAND_DISPLAY are empty).\n"
                     "Start it from a desktop session, or under a virtual one: xvfb-run pictrak2shp\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictrak");
    FrmPictrak window;
    window.show();
    return app.exec();
}
