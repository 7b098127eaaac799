#include <xcb/xcb.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "window/FrmPictrak.h"

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Why no window can open here, or "" when one can. Qt would only abort.
std::string missingDisplay() {
    if (!environment("QT_QPA_PLATFORM").empty() || !environment("WAYLAND_DISPLAY").empty()) return "";
    const std::string display = environment("DISPLAY");
    if (display.empty()) return "no graphical display is set (DISPLAY and WAYLAND_DISPLAY are empty)";
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached ? "" : "the display " + display + " cannot be reached";
}
}  // namespace

int main(int argc, char** argv) {
    if (const std::string why = missingDisplay(); !why.empty()) {
        std::fprintf(stderr,
                     "pictrak2shp is a desktop program and needs a graphical display, but %s.\n"
                     "Start it from a desktop session, or under a virtual one: xvfb-run pictrak2shp\n",
                     why.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictrak");
    FrmPictrak window;
    window.show();
    return app.exec();
}
