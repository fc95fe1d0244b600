#pragma once

// Shared by the tab row's layout, its painting and the strip's buttons.

#include <QColor>
#include <QPainterPath>
#include <QRect>

namespace TabRow {

// Room at the row's ends and between the buttons there.
constexpr int RowMargin = 2;
constexpr int ButtonSpacing = 2;
// Room beside the caption for an image, counted even for a tab without one.
constexpr int ImageMargin = 2;
// Every tab keeps room for the active tab's close button, so that widths do not change when
// another tab becomes active.
constexpr int CloseButtonRoom = 20;
constexpr int TabPadding = 3;
// The active tab stands out of its slot by this much to the left, the right and upwards.
constexpr int ActiveOverhang = 2;
constexpr int CornerRadius = 4;
constexpr int ImageSize = 16;

// The outline of a tab with its upper corners rounded. An open outline leaves out the bottom
// edge, where the tab meets the page below.
inline QPainterPath tabOutline(const QRectF &r, qreal radius, bool closed)
{
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    if (radius > 0) {
        path.lineTo(r.left(), r.top() + radius);
        path.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180, -90);
        path.lineTo(r.right() - radius, r.top());
        path.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90, -90);
    } else {
        path.lineTo(r.topLeft());
        path.lineTo(r.topRight());
    }
    path.lineTo(r.right(), r.bottom());
    if (closed)
        path.closeSubpath();
    return path;
}

// The pixels a tab covers: its slot less the one-pixel gap to its right neighbour, or, for
// the active tab, the slot grown by the overhang and reaching down over the page's border.
inline QRect tabArea(const QRect &slot, bool active, int rowHeight)
{
    if (!active)
        return slot.adjusted(0, 0, -1, 0);
    return QRect(slot.left() - ActiveOverhang, 0, slot.width() + 2 * ActiveOverhang, rowHeight);
}

inline QColor mixed(const QColor &a, const QColor &b, qreal share)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * share,
                            a.greenF() + (b.greenF() - a.greenF()) * share,
                            a.blueF() + (b.blueF() - a.blueF()) * share);
}

} // namespace TabRow
