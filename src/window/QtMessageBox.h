#pragma once
#include <QWidget>

#include "tables/Messages.h"

class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
    int Show(const std::string& prompt, int style, const std::string& title = "") override;

private:
    QWidget* parent_;
};
