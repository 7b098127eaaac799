#include "window/QtMessageBox.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>

#include "window/BusyCursor.h"

namespace {
constexpr int answerOk = 1;
}

int QtMessageBox::Show(const std::string& prompt, int style, const std::string& title) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(title.empty() ? applicationTitle : title));
    box.setText(QString::fromStdString(prompt));
    box.setIcon((style & styleInformation) ? QMessageBox::Information : QMessageBox::NoIcon);
    const bool yesNo = (style & 7) == styleYesNo;
    QPushButton* ok = nullptr;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        ok = box.addButton(QMessageBox::Ok);
        box.setDefaultButton(ok);
        // Escape and closing the box press a button of their own, never seen, to be told from OK.
        QPushButton* escape = box.addButton(QMessageBox::Cancel);
        escape->hide();
        box.setEscapeButton(escape);
    }
    box.setWindowModality(windowWaits_ && windowWaits_() ? Qt::NonModal : Qt::ApplicationModal);
    ArrowWhileAsking arrow;
    QEventLoop answered;
    QObject::connect(&box, &QDialog::finished, &answered, &QEventLoop::quit);
    shown_ = &box;
    box.show();
    answered.exec(QEventLoop::DialogExec);  // also left when the program quits
    shown_ = nullptr;
    if (!yesNo) return box.clickedButton() == ok ? answerOk : answerCancel;
    return box.clickedButton() == box.button(QMessageBox::Yes) ? answerYes : answerNo;
}

void QtMessageBox::Dismiss() {
    if (shown_) shown_->reject();
}
