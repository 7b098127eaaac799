// The real window on a share that fails, as a user meets it: after a click on Read, each photo
// message that comes is answered with one key, Return (going on, as a user who reads them
// does) or Escape (stopping), until the Read has ended.
//
//     share_fail_bench PHOTOS return|escape     started in the photos' folder
//
// Prints "boxes N keystrokes K photos_read R status TEXT": the messages shown, the keys
// pressed, and how far the Read came.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "window/FrmPictrak.h"
#include "window/SimpleStatusBar.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int photos = argc == 3 ? std::atoi(argv[1]) : 0;
    if (photos < 1 || (std::strcmp(argv[2], "return") != 0 && std::strcmp(argv[2], "escape") != 0)) {
        std::fprintf(stderr, "usage: %s PHOTOS return|escape (in the photos' folder)\n", argv[0]);
        return 2;
    }
    const Qt::Key key = std::strcmp(argv[2], "return") == 0 ? Qt::Key_Return : Qt::Key_Escape;

    FrmPictrak window;
    window.show();
    auto* files = window.findChild<QAbstractItemView*>("fileList");
    auto* read = window.findChild<QAbstractButton*>("cmdReadAll");
    auto* status = window.findChild<SimpleStatusBar*>("StatusBar1");
    if (!files || !read || !status) {
        std::fprintf(stderr, "share_fail_bench: the window has no fileList, cmdReadAll or StatusBar1\n");
        return 1;
    }

    int boxes = 0, keystrokes = 0, ticks = 0;
    bool clicked = false;
    QTimer turns;
    turns.setInterval(10);
    // A message waits in an event loop of its own, where this timer runs too.
    QObject::connect(&turns, &QTimer::timeout, [&] {
        if (++ticks > 60000) {
            std::printf("timed out\n");
            app.exit(1);
            return;
        }
        if (!clicked) {
            if (files->model()->rowCount() < photos || !read->isEnabled()) return;
            clicked = true;
            QTimer::singleShot(0, read, &QAbstractButton::click);
            return;
        }
        if (auto* box = window.findChild<QMessageBox*>(); box && box->isVisible()) {
            if (box->property("answered").toBool()) return;
            box->setProperty("answered", true);
            ++boxes;
            ++keystrokes;
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
        } else if (read->isEnabled()) {
            const std::string text = status->SimpleText();
            const int done = text.rfind("Read stopped after ", 0) == 0 ? std::atoi(text.c_str() + 19)
                                                                       : window.values().photoCount;
            std::printf("boxes %d keystrokes %d photos_read %d status %s\n", boxes, keystrokes, done, text.c_str());
            app.quit();
        }
    });
    turns.start();
    return app.exec();
}
