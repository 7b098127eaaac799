#include "window/WindowFont.h"

#include <QFontMetrics>

bool fits(const QFont& font, const TextBox& box) {
    const QFontMetrics metrics(font);
    const int flags = box.wraps ? Qt::TextWordWrap : Qt::TextSingleLine;
    const QRect needed = metrics.boundingRect(QRect(0, 0, box.size.width(), 10000), flags, box.text);
    return needed.width() <= box.size.width() && needed.height() <= box.size.height();
}

QFont fittingFont(const QFont& base, const std::vector<TextBox>& boxes) {
    QFont font = base;
    for (int pixels = 12; pixels >= 8; --pixels) {
        for (int stretch : {int{QFont::Unstretched}, int{QFont::Condensed}}) {
            font.setPixelSize(pixels);
            font.setStretch(stretch);
            bool all = true;
            for (const TextBox& box : boxes) all = all && fits(font, box);
            if (all) return font;
        }
    }
    return font;
}
