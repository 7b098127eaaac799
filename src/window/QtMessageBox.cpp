#include "window/QtMessageBox.h"

#include <QMessageBox>

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
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    ArrowWhileAsking arrow;
    const int pressed = box.exec();
    if (!yesNo) return answerOk;
    return pressed == QMessageBox::Yes ? answerYes : answerNo;
}
