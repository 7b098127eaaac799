#pragma once
#include <QLabel>
#include <QStatusBar>

#include "tables/Messages.h"

// A status bar showing one text across its whole width.
class SimpleStatusBar : public QStatusBar, public StatusBar {
    Q_OBJECT
public:
    explicit SimpleStatusBar(QWidget* parent);
    void SetSimpleText(const std::string& text) override;
    std::string SimpleText() const override { return text_; }

private:
    QLabel* label_;
    std::string text_;  // as given: the label shows bytes that are no UTF-8 as U+FFFD
};
