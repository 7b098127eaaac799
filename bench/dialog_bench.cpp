// The save dialog on a share, as a new user meets it: the longest the window's event loop
// goes without a turn (a window repaints only on a turn) while the dialog opens in the
// share's folder and a name is typed, and again once the share stops answering: its server
// is stopped (SIGSTOP), the dialog opened and a name typed, then Cancel; the server is let
// go on (SIGCONT) after `resume` seconds whatever happens, so that a dialog held by the
// share ends too, its figure then telling how long it held the window.
//
//     dialog_bench ours|qt SHARE_PID     started in a folder on the share
//
// "qt" is Qt's own widget dialog, as the program showed it where the desktop offers none.
// Prints "open_typed S silent S resume S", S in seconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "window/QtSaveDialog.h"

namespace {
constexpr double resume = 5;  // seconds

// Runs each step after the wait before it, on the event loop, which may be a dialog's.
void run(std::vector<std::pair<int, std::function<void()>>> steps) {
    if (steps.empty()) return;
    auto [wait, step] = steps.front();
    steps.erase(steps.begin());
    QTimer::singleShot(wait, [step = std::move(step), rest = std::move(steps)] {
        step();
        run(rest);
    });
}

// Opens the dialog, types a name a key at a time, waits, then cancels.
void openTypeAndCancel(const std::function<void()>& show) {
    std::vector<std::pair<int, std::function<void()>>> steps;
    for (const char key : std::string("trip")) {
        steps.emplace_back(150, [key] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            if (!name) return;
            const QString text(QChar::fromLatin1(key));
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
            QApplication::sendEvent(name, &press);
            QApplication::sendEvent(name, &release);
        });
    }
    steps.emplace_back(1500, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    run(std::move(steps));
    show();
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool qt = argc == 3 && std::strcmp(argv[1], "qt") == 0;
    const pid_t share = argc == 3 ? static_cast<pid_t>(std::atol(argv[2])) : 0;
    if (share <= 0 || (!qt && std::strcmp(argv[1], "ours") != 0)) {
        std::fprintf(stderr, "usage: %s ours|qt SHARE_PID (in a folder on the share)\n", argv[0]);
        return 2;
    }
    QWidget window;
    window.resize(600, 380);
    window.show();
    const std::shared_ptr<Platform> platform = systemPlatform();
    QtSaveDialog ours(&window, platform);
    ours.SetFilter("Shapefile (*.shp)|*.shp|");
    ours.SetFilterIndex(1);
    const auto show = [&] {
        if (!qt) return ours.ShowSave();
        QFileDialog dialog(&window, "Save As");
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilters({"Shapefile (*.shp)"});
        dialog.exec();
    };

    QElapsedTimer clock;
    clock.start();
    double last = 0, longest = 0;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const double now = clock.nsecsElapsed() / 1e9;
        longest = std::max(longest, now - last);
        last = now;
    });
    const auto phase = [&](const std::function<void()>& action) {
        last = clock.nsecsElapsed() / 1e9;
        longest = 0;
        action();
        return std::max(longest, clock.nsecsElapsed() / 1e9 - last);
    };
    QTimer::singleShot(0, [&] {
        turns.start(10);
        const double open = phase([&] { openTypeAndCancel(show); });
        kill(share, SIGSTOP);
        std::thread resumer([share] {
            std::this_thread::sleep_for(std::chrono::duration<double>(resume));
            kill(share, SIGCONT);
        });
        const double silent = phase([&] { openTypeAndCancel(show); });
        resumer.join();
        std::printf("open_typed %.3f silent %.3f resume %.0f\n", open, silent, resume);
        app.quit();
    });
    return app.exec();
}
