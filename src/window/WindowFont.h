#pragma once
#include <QFont>
#include <QSize>
#include <QString>
#include <vector>

struct TextBox {
    QString text;
    QSize size;
    bool wraps;
};

// Whether `text` fits `box` in `font` (word-wrapped when the box wraps).
bool fits(const QFont& font, const TextBox& box);

// The largest plain or condensed face, at most 12 px, in which every text fits its box:
// the window's boxes were laid out for a narrow dialog font.
QFont fittingFont(const QFont& base, const std::vector<TextBox>& boxes);
