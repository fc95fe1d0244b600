#include "TTabStripButtons.h"
#include "TTabRowGeometry.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

using namespace TabRow;

TTabStripButton::TTabStripButton(Glyph glyph, QWidget *parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

QSize TTabStripButton::sizeHint() const
{
    const int size = fontMetrics().height() + 4;
    return QSize(size, size);
}

void TTabStripButton::mousePressEvent(QMouseEvent *event)
{
    // Presses with other buttons end here instead of reaching the tab row behind the button.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void TTabStripButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const bool pushed = isDown();
    const bool hovered = isEnabled() && underMouse();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (pushed || hovered) {
        QColor fill = pal.color(QPalette::Highlight);
        fill.setAlphaF(pushed ? 0.35f : 0.16f);
        QColor edge = pal.color(QPalette::Highlight);
        edge.setAlphaF(pushed ? 0.8f : 0.5f);
        painter.setPen(edge);
        painter.setBrush(fill);
        painter.drawRoundedRect(frame, 3, 3);
    }

    // The glyph takes a centred square, shifted by a pixel while pushed.
    const qreal side = std::min(width(), height());
    const qreal half = std::max<qreal>(2.0, std::round(side * 0.2));
    QPointF c = QRectF(rect()).center();
    if (pushed)
        c += QPointF(1, 1);
    // Idle glyphs stay a little quieter than text, so that the captions lead.
    const QColor ink = pal.color(QPalette::ButtonText);
    QPen pen(pushed || hovered ? ink : mixed(ink, pal.color(QPalette::Window), 0.3), side > 12 ? 1.6 : 1.3);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    QPainterPath glyph;
    switch (m_glyph) {
    case CloseGlyph:
        glyph.moveTo(c + QPointF(-half, -half));
        glyph.lineTo(c + QPointF(half, half));
        glyph.moveTo(c + QPointF(half, -half));
        glyph.lineTo(c + QPointF(-half, half));
        break;
    case MenuGlyph:
        glyph.moveTo(c + QPointF(-half, -half / 2));
        glyph.lineTo(c + QPointF(0, half / 2));
        glyph.lineTo(c + QPointF(half, -half / 2));
        break;
    case LeftArrowGlyph:
        glyph.moveTo(c + QPointF(half / 2, -half));
        glyph.lineTo(c + QPointF(-half / 2, 0));
        glyph.lineTo(c + QPointF(half / 2, half));
        break;
    case RightArrowGlyph:
        glyph.moveTo(c + QPointF(-half / 2, -half));
        glyph.lineTo(c + QPointF(half / 2, 0));
        glyph.lineTo(c + QPointF(-half / 2, half));
        break;
    }
    painter.drawPath(glyph);
}

TTabControlCloseButton::TTabControlCloseButton(QWidget *parent)
    : TTabStripButton(CloseGlyph, parent)
{
    setObjectName(QStringLiteral("TTabControlCloseButton"));
}

void TTabControlCloseButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        event->accept();
        emit closeAllRequested();
        return;
    }
    TTabStripButton::mousePressEvent(event);
}

TActiveTabCloseButton::TActiveTabCloseButton(QWidget *parent)
    : TTabStripButton(CloseGlyph, parent)
{
    setObjectName(QStringLiteral("TActiveTabCloseButton"));
}

TTabMenuButton::TTabMenuButton(QWidget *parent)
    : TTabStripButton(MenuGlyph, parent)
{
    setObjectName(QStringLiteral("TTabMenuButton"));
}

void TTabMenuButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_heldButton != Qt::NoButton)
        return;
    m_heldButton = event->button();
    setDown(true);
}

void TTabMenuButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_heldButton != Qt::NoButton)
        setDown(hitButton(event->position().toPoint()));
}

void TTabMenuButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != m_heldButton)
        return;
    m_heldButton = Qt::NoButton;
    const bool over = hitButton(event->position().toPoint());
    setDown(false);
    if (over)
        emit clicked();
}

TTabScroller::TTabScroller(QWidget *parent)
    : QWidget(parent)
    , m_startArrow(new TTabStripButton(TTabStripButton::LeftArrowGlyph, this))
    , m_endArrow(new TTabStripButton(TTabStripButton::RightArrowGlyph, this))
{
    setObjectName(QStringLiteral("TTabScroller"));
    m_startArrow->setObjectName(QStringLiteral("startArrow"));
    m_endArrow->setObjectName(QStringLiteral("endArrow"));
    for (TTabStripButton *arrow : {m_startArrow, m_endArrow}) {
        arrow->setAutoRepeat(true);
        arrow->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_startArrow);
    layout->addWidget(m_endArrow);
    connect(m_startArrow, &QAbstractButton::clicked, this, [this] { emit scrollRequested(-1); });
    connect(m_endArrow, &QAbstractButton::clicked, this, [this] { emit scrollRequested(1); });
}

void TTabScroller::setArrowsEnabled(bool towardsStart, bool towardsEnd)
{
    m_startArrow->setEnabled(towardsStart);
    m_endArrow->setEnabled(towardsEnd);
}
