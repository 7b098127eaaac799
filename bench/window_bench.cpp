// The real window on photos on a share, as a new user meets it: how soon it shows, how soon
// its lists are filled, and, after a click on Read, how long Read takes in it and the longest
// its event loop went without a turn meanwhile (a window repaints only on a turn).
//
//     window_bench PHOTOS        started in the photos' folder, which the window opens
//
// Prints "shown S filled S read S longest_gap S", S in seconds: shown and filled from the
// program's start, read from the click until the status bar tells the photos were read.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "window/FrmPictrak.h"

namespace {
constexpr double giveUpAfter = 600;  // seconds

// Notes when the window first paints, which is when it shows.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
    double at = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (at < 0 && event->type() == QEvent::Paint) at = clock_.nsecsElapsed() / 1e9;
        return false;
    }

private:
    const QElapsedTimer& clock_;
};

bool readDone(QStatusBar* status) {
    const QString done = " Pictrak file(s) have been read...";
    if (status->currentMessage().endsWith(done)) return true;
    const auto labels = status->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text().endsWith(done); });
}
}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const auto seconds = [&] { return clock.nsecsElapsed() / 1e9; };
    QApplication app(argc, argv);
    const int photos = argc == 2 ? std::atoi(argv[1]) : 0;
    if (photos < 1) {
        std::fprintf(stderr, "usage: %s PHOTOS (in the photos' folder)\n", argv[0]);
        return 2;
    }
    FirstPaint paint(clock);
    app.installEventFilter(&paint);

    FrmPictrak window;
    window.show();
    auto* files = window.findChild<QAbstractItemView*>("fileList");
    auto* read = window.findChild<QAbstractButton*>("cmdReadAll");
    auto* status = window.findChild<QStatusBar*>("StatusBar1");
    if (!files || !read || !status) {
        std::fprintf(stderr, "window_bench: the window has no fileList, cmdReadAll or StatusBar1\n");
        return 1;
    }

    double filled = -1, clicked = -1, lastTurn = -1, longestGap = 0;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(10);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const double now = seconds();
        if (now > giveUpAfter) {
            std::printf("timed out after %.0f s\n", now);
            app.exit(1);
        } else if (filled < 0) {
            if (paint.at < 0 || files->model()->rowCount() < photos) return;
            filled = clicked = lastTurn = now;
            QTimer::singleShot(0, read, &QAbstractButton::click);
        } else {
            longestGap = std::max(longestGap, now - lastTurn);
            lastTurn = now;
            if (read->isEnabled() && readDone(status)) {
                std::printf("shown %.3f filled %.3f read %.3f longest_gap %.3f\n", paint.at, filled, now - clicked,
                            longestGap);
                app.quit();
            }
        }
    });
    turns.start();
    return app.exec();
}
