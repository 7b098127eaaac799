#include "window/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace artwork {
namespace {
// A picture drawn on a 32 × 32 canvas, at `size` pixels.
QPixmap drawn(const std::function<void(QPainter&)>& draw, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p);
    return pixmap;
}

QIcon twoSizes(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (int size : {32, 16}) icon.addPixmap(drawn(draw, size));
    return icon;
}

void pin(QPainter& p, QPointF tip, double size, QColor colour) {
    QPainterPath path;
    path.moveTo(tip);
    path.cubicTo(tip + QPointF(-size, -size), tip + QPointF(-size, -2.2 * size), tip + QPointF(0, -2.2 * size));
    path.cubicTo(tip + QPointF(size, -2.2 * size), tip + QPointF(size, -size), tip);
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawPath(path);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(tip + QPointF(0, -1.45 * size), size * 0.35, size * 0.35);
}

void globe(QPainter& p) {
    QRadialGradient sea(QPointF(12, 12), 18);
    sea.setColorAt(0, QColor(120, 180, 255));
    sea.setColorAt(1, QColor(20, 70, 170));
    p.setPen(QPen(QColor(10, 40, 110), 1.5));
    p.setBrush(sea);
    p.drawEllipse(QPointF(16, 17), 13, 13);
    p.setPen(QPen(QColor(200, 230, 255), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 17), 6, 13);
    p.drawLine(QPointF(3, 17), QPointF(29, 17));
    pin(p, QPointF(21, 17), 6, QColor(220, 30, 30));
}
}  // namespace

QIcon windowIcon() { return twoSizes(globe); }
QPixmap windowIconAt(int size) { return drawn(globe, size); }

QIcon readIcon() {
    return twoSizes([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.setBrush(QColor(250, 250, 245));
        p.drawRect(QRectF(2, 4, 22, 18));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 170, 230));
        p.drawRect(QRectF(4, 6, 18, 9));
        p.setBrush(QColor(70, 150, 70));
        p.drawPolygon(QPolygonF({QPointF(4, 20), QPointF(11, 11), QPointF(17, 17), QPointF(22, 13), QPointF(22, 20)}));
        p.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 24), QPointF(30, 30));
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(QPointF(21, 21), 5.5, 5.5);
    });
}

QIcon saveIcon() {
    return twoSizes([](QPainter& p) {
        p.setPen(QPen(QColor(80, 70, 40), 1.5));
        p.setBrush(QColor(245, 235, 190));
        p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(11, 3), QPointF(21, 6), QPointF(30, 3), QPointF(30, 27),
                                 QPointF(21, 30), QPointF(11, 27), QPointF(2, 30)}));
        p.setPen(QPen(QColor(170, 150, 90), 1));
        p.drawLine(QPointF(11, 3), QPointF(11, 27));
        p.drawLine(QPointF(21, 6), QPointF(21, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 255));
        for (QPointF at : {QPointF(7, 12), QPointF(16, 20), QPointF(25, 11)}) p.drawEllipse(at, 2.6, 2.6);
    });
}

QPixmap strip() {
    QPixmap pixmap(86, 351);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 351);
    sky.setColorAt(0, QColor(20, 60, 150));
    sky.setColorAt(0.6, QColor(40, 120, 190));
    sky.setColorAt(1, QColor(60, 150, 90));
    p.fillRect(pixmap.rect(), sky);

    // Faint graticule.
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    for (int x = 10; x < 86; x += 18) p.drawLine(x, 0, x, 351);
    for (int y = 12; y < 351; y += 18) p.drawLine(0, y, 86, y);

    // The step numbers beside the steps they stand for.
    QFont numbers("DejaVu Sans");
    numbers.setPixelSize(30);
    numbers.setBold(true);
    p.setFont(numbers);
    const struct {
        int top;
        const char* number;
    } steps[] = {{4, "1"}, {170, "2"}, {252, "3"}};
    for (const auto& step : steps) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawEllipse(QRectF(23, step.top, 40, 40));
        p.setPen(Qt::white);
        p.drawText(QRectF(23, step.top, 40, 40), Qt::AlignCenter, step.number);
    }
    pin(p, QPointF(43, 330), 9, QColor(220, 30, 30));
    return pixmap;
}
}  // namespace artwork
