#include <xcb/xcb.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "window/FrmPictrak.h"

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An X connection held while Qt makes its own: a virtual server that has lost its last
// client resets, and would turn Qt's connection away in that moment.
struct DisplayProbe {
    xcb_connection_t* connection = nullptr;
    ~DisplayProbe() {
        if (connection) xcb_disconnect(connection);
    }
};

// Why no window can open here, or "" when one can. Qt would only abort.
std::string missingDisplay(DisplayProbe& probe) {
    if (!environment("QT_QPA_PLATFORM").empty() || !environment("WAYLAND_DISPLAY").empty()) return "";
    const std::string display = environment("DISPLAY");
    if (display.empty()) return "no graphical display is set (DISPLAY and WAYLAND_DISPLAY are empty)";
    probe.connection = xcb_connect(display.c_str(), nullptr);
    return xcb_connection_has_error(probe.connection) == 0 ? "" : "the display " + display + " cannot be reached";
}
}  // namespace

int main(int argc, char** argv) {
    auto probe = std::make_unique<DisplayProbe>();
    if (const std::string why = missingDisplay(*probe); !why.empty()) {
        std::fprintf(stderr,
                     "pictrak2shp is a desktop program and needs a graphical display, but %s.\n"
                     "Start it from a desktop session, or under a virtual one: xvfb-run pictrak2shp\n",
                     why.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    probe.reset();
    QApplication::setApplicationName("Pictrak");
    FrmPictrak window;
    window.show();
    return app.exec();
}
