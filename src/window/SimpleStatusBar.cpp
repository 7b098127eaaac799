#include "window/SimpleStatusBar.h"


SimpleStatusBar::SimpleStatusBar(QWidget* parent) : QStatusBar(parent), label_(new QLabel(this)) {
    setSizeGripEnabled(false);
    label_->setObjectName("SimpleText");
    label_->setAccessibleDescription("Status");
    label_->setFrameShape(QFrame::Panel);
    label_->setFrameShadow(QFrame::Sunken);
    addWidget(label_, 1);
}

void SimpleStatusBar::SetSimpleText(const std::string& text) {
    // Paths in the text are the file system's bytes, shown as UTF-8 as far as they are.
    text_ = text;
    label_->setText(QString::fromStdString(text));
}
