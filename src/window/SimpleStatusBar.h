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
    QString SimpleText() const { return label_->text(); }

private:
    QLabel* label_;
};
