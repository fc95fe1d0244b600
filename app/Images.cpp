#include "Images.h"

#include <QFont>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kBlue(0x1f, 0x5f, 0xbf);
const QColor kGreen(0x2e, 0x9a, 0x3c);
const QColor kRed(0xd0, 0x30, 0x30);
const QColor kOrange(0xff, 0x66, 0x00);

// One 16 x 16 image drawn at the given scale.
QPixmap drawImage(int index, qreal scale)
{
    QPixmap pixmap(QSize(16, 16) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::white, 1.2);
    switch (index) {
    case imgBack:
    case imgForward: {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        QPainterPath arrow;
        if (index == imgBack) {
            arrow.moveTo(3.5, 8); arrow.lineTo(8, 3.5); arrow.lineTo(8, 6.3); arrow.lineTo(12.5, 6.3);
            arrow.lineTo(12.5, 9.7); arrow.lineTo(8, 9.7); arrow.lineTo(8, 12.5);
        } else {
            arrow.moveTo(12.5, 8); arrow.lineTo(8, 3.5); arrow.lineTo(8, 6.3); arrow.lineTo(3.5, 6.3);
            arrow.lineTo(3.5, 9.7); arrow.lineTo(8, 9.7); arrow.lineTo(8, 12.5);
        }
        arrow.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        break;
    }
    case imgStop: {
        QPolygonF octagon;
        for (int i = 0; i < 8; ++i) {
            const qreal a = (22.5 + 45 * i) * M_PI / 180.0;
            octagon << QPointF(8 + 7.6 * std::cos(a), 8 + 7.6 * std::sin(a));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawPolygon(octagon);
        pen.setWidthF(2.0);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        break;
    }
    case imgRefresh: {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        pen.setWidthF(1.8);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 8, 8), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(9.2, 2.2); head.lineTo(12.8, 4.6); head.lineTo(9.0, 6.6); head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(head);
        break;
    }
    case imgFileMenu: {
        QPainterPath page;
        page.moveTo(3, 1.5); page.lineTo(10, 1.5); page.lineTo(13, 4.5); page.lineTo(13, 14.5);
        page.lineTo(3, 14.5); page.closeSubpath();
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.setPen(QPen(kBlue, 1));
        for (qreal y = 6; y <= 12; y += 2)
            p.drawLine(QPointF(5, y), QPointF(11, y));
        break;
    }
    case imgCompare: {
        // a magnifier over two bars: compare the shops' offers
        p.setPen(Qt::NoPen);
        p.setBrush(kOrange);
        p.drawRect(QRectF(1, 7, 3, 8));
        p.setBrush(kBlue);
        p.drawRect(QRectF(5, 4, 3, 11));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.6));
        p.drawEllipse(QRectF(8, 1.5, 6, 6));
        p.drawLine(QPointF(9, 7), QPointF(6.8, 9.6));
        break;
    }
    case imgChooseShops: {
        // a shopping bag with a tick
        p.setPen(QPen(QColor(0x80, 0x40, 0x00), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 1.5, 6, 6), 0, 180 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kOrange);
        p.drawRoundedRect(QRectF(2.5, 4.5, 11, 10.5), 1.5, 1.5);
        QPen tick(Qt::white, 1.8);
        tick.setCapStyle(Qt::RoundCap);
        p.setPen(tick);
        p.drawPolyline(QPolygonF() << QPointF(5, 9.5) << QPointF(7.2, 11.8) << QPointF(11, 7.2));
        break;
    }
    default:
        break;
    }
    return pixmap;
}

} // namespace

QIcon MenuImage(int index)
{
    QIcon icon;
    icon.addPixmap(drawImage(index, 1.0));
    icon.addPixmap(drawImage(index, 2.0));
    return icon;
}

QPixmap LogoPixmap(const QSize &size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // A round orange badge with a shopping bag, then the name.
    const QRectF badge(4, (size.height() - 44) / 2.0, 44, 44);
    QLinearGradient fill(badge.topLeft(), badge.bottomLeft());
    fill.setColorAt(0, QColor(0xff, 0x99, 0x33));
    fill.setColorAt(1, kOrange);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(badge);
    const QPointF c = badge.center();
    p.setPen(QPen(Qt::white, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 6, c.y() - 14, 12, 12), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - 11, c.y() - 8, 22, 20), 3, 3);
    p.setBrush(kOrange);
    p.drawEllipse(QPointF(c.x(), c.y() + 2), 4, 4);

    QFont name(QStringLiteral("Noto Sans"));
    name.setPixelSize(22);
    name.setBold(true);
    name.setItalic(true);
    p.setFont(name);
    p.setPen(QColor(0x1f, 0x4f, 0x9f));
    p.drawText(QRectF(52, 4, size.width() - 52, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vanzu"));
    QFont tagline;
    tagline.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    tagline.setPixelSize(12);
    p.setFont(tagline);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(QRectF(54, 32, size.width() - 54, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("你的购物助手"));
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {48, 128, 256}) {
        // Read as PNG, and only as PNG: left to find out the format, the reader loads every
        // image plugin there is (GIF, ICO, JPEG) to ask each whether it can read the file.
        QImageReader reader(QStringLiteral(":/icons/vanzu-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
