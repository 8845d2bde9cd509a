#include "ui/qt/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace tablora::ui::qt {

namespace {

// A thin light rim around the drawing keeps its dark ink visible on a dark skin as on a light one.
QPixmap withHalo(const QPixmap& drawing) {
    QImage rim = drawing.toImage().convertToFormat(QImage::Format_ARGB32);
    QPainter tint(&rim);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(rim.rect(), QColor(255, 255, 255, 200));
    tint.end();
    QPixmap out(drawing.size());
    out.fill(Qt::transparent);
    QPainter p(&out);
    for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        p.drawImage(offset, rim);
    p.drawPixmap(0, 0, drawing);
    return out;
}

}  // namespace

QPixmap drawnImage(const QString& name, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QColor ink(0x2f, 0x4f, 0x6f);
    const QColor warm(0xe0, 0x8a, 0x2c);
    QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);

    if (name == QStringLiteral("app")) {
        // A steaming bowl.
        p.setBrush(warm);
        QPainterPath bowl;
        bowl.moveTo(4, 15);
        bowl.lineTo(28, 15);
        bowl.cubicTo(28, 24, 22, 28, 16, 28);
        bowl.cubicTo(10, 28, 4, 24, 4, 15);
        p.drawPath(bowl);
        p.setBrush(Qt::NoBrush);
        for (int x : {11, 16, 21}) {
            QPainterPath steam;
            steam.moveTo(x, 12);
            steam.cubicTo(x - 3, 9, x + 3, 7, x, 3);
            p.drawPath(steam);
        }
    } else if (name == QStringLiteral("user") || name == QStringLiteral("switch-user")) {
        p.setBrush(QColor(0x5b, 0x8d, 0xc9));
        p.drawEllipse(QPointF(16, 10), 6, 6);
        QPainterPath body;
        body.moveTo(5, 29);
        body.cubicTo(5, 19, 27, 19, 27, 29);
        body.closeSubpath();
        p.drawPath(body);
        if (name == QStringLiteral("switch-user")) {
            p.setPen(QPen(warm, 2.4, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(19, 2, 11, 11), 30 * 16, 270 * 16);
            p.drawLine(QPointF(29, 3), QPointF(29.5, 7.5));
        }
    } else if (name == QStringLiteral("key")) {
        p.setBrush(QColor(0xe8, 0xc1, 0x4a));
        p.drawEllipse(QPointF(10, 16), 6, 6);
        p.drawLine(QPointF(16, 16), QPointF(29, 16));
        p.drawLine(QPointF(25, 16), QPointF(25, 21));
        p.drawLine(QPointF(29, 16), QPointF(29, 20));
    } else if (name == QStringLiteral("order")) {
        // A table with a plate.
        p.setBrush(QColor(0xf3, 0xe3, 0xc3));
        p.drawRoundedRect(QRectF(3, 13, 26, 6), 2, 2);
        p.drawLine(QPointF(7, 19), QPointF(7, 29));
        p.drawLine(QPointF(25, 19), QPointF(25, 29));
        p.setBrush(warm);
        p.drawEllipse(QPointF(16, 9), 6, 3.5);
    } else if (name == QStringLiteral("checkout")) {
        // A banknote with a coin.
        p.setBrush(QColor(0x8c, 0xc6, 0x7a));
        p.drawRoundedRect(QRectF(2, 8, 24, 15), 2, 2);
        p.drawEllipse(QPointF(14, 15.5), 3.5, 3.5);
        p.setBrush(QColor(0xe8, 0xc1, 0x4a));
        p.drawEllipse(QPointF(24, 23), 6, 6);
    } else if (name == QStringLiteral("board")) {
        // The dining room from above: four tables, two taken.
        const QColor free(0x8c, 0xc6, 0x7a), taken(0xe8, 0xa1, 0x3a);
        int n = 0;
        for (const QPointF at : {QPointF(3, 3), QPointF(17, 3), QPointF(3, 17), QPointF(17, 17)}) {
            p.setBrush(n == 1 || n == 2 ? taken : free);
            p.drawRoundedRect(QRectF(at, QSizeF(12, 12)), 2.5, 2.5);
            ++n;
        }
    } else if (name == QStringLiteral("report")) {
        // Bars of a day's sales.
        p.setBrush(QColor(0x5b, 0x8f, 0xc9));
        p.drawRect(QRectF(4, 18, 6, 11));
        p.setBrush(QColor(0x8c, 0xc6, 0x7a));
        p.drawRect(QRectF(13, 9, 6, 20));
        p.setBrush(QColor(0xe8, 0xa1, 0x3a));
        p.drawRect(QRectF(22, 14, 6, 15));
        p.drawLine(QPointF(2, 29.5), QPointF(30, 29.5));
    } else if (name == QStringLiteral("query")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 17, 23));
        for (int y : {9, 14, 19}) p.drawLine(QPointF(8, y), QPointF(17, y));
        p.setBrush(QColor(255, 255, 255, 180));
        p.drawEllipse(QPointF(20, 20), 6, 6);
        p.drawLine(QPointF(24.5, 24.5), QPointF(30, 30));
    } else if (name == QStringLiteral("settled")) {
        // A green disc with a tick: the bill is paid.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x9e, 0x4f));
        p.drawEllipse(QPointF(16, 16), 14, 14);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(9, 16.5), QPointF(14, 22), QPointF(23, 10)}));
    } else if (name == QStringLiteral("unsettled")) {
        // An amber disc with a clock hand: still to pay.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x8a, 0x2c));
        p.drawEllipse(QPointF(16, 16), 14, 14);
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(16, 8), QPointF(16, 17), QPointF(22, 20)}));
    } else if (name == QStringLiteral("settings")) {
        p.setBrush(QColor(0x9a, 0xa8, 0xb8));
        p.translate(16, 16);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.rotate(45);
        }
        p.drawEllipse(QPointF(0, 0), 9, 9);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0, 0), 3.5, 3.5);
    }
    p.end();
    return withHalo(pixmap);
}

QIcon drawnIcon(const QString& name) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(drawnImage(name, size));
    return icon;
}

}  // namespace tablora::ui::qt
