#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

#include "tables/Messages.h"

class QMessageBox;

class QtMessageBox : public MessageBox {
public:
    // While `windowWaits` says so (a Read runs, its controls disabled), a box blocks nothing
    // in the window: the window's own Escape and closing reach it, which a modal box would
    // keep from it, and they take the box down with them through Dismiss.
    QtMessageBox(QWidget* parent, std::function<bool()> windowWaits)
        : parent_(parent), windowWaits_(std::move(windowWaits)) {}
    int Show(const std::string& prompt, int style, const std::string& title = "") override;
    // Takes down the box being shown, as Escape in it would.
    void Dismiss();

private:
    QWidget* parent_;
    std::function<bool()> windowWaits_;
    QPointer<QMessageBox> shown_;
};
