#include "TPageControl.h"
#include "TTabRowGeometry.h"
#include "TTabStripButtons.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

using namespace TabRow;

// --- Layout ----------------------------------------------------------------------------------

int TPageControl::textHeight() const
{
    return QFontMetrics(tabFont(true)).height();
}

QFont TPageControl::tabFont(bool active) const
{
    QFont f = font();
    if (active && m_boldCurrentTab)
        f.setBold(true);
    return f;
}

int TPageControl::tabImageWidth(const Tab &tab) const
{
    return tabIcon(tab).isNull() ? 0 : ImageSize;
}

// Every tab is measured in the active tab's font, so activation never changes a width.
int TPageControl::measureTab(const Tab &tab) const
{
    const QFontMetrics metrics(tabFont(true));
    const int content = std::max(metrics.horizontalAdvance(tab.caption) + ImageMargin + tabImageWidth(tab),
                                 metrics.horizontalAdvance(QStringLiteral("AAA")));
    return content + CloseButtonRoom + 2 * TabPadding;
}

// The row's end holds, from the right, the close button, the menu button and, while the tabs
// overflow, the arrows. The tabs get what is left.
int TPageControl::rowRight(bool withScroller) const
{
    int right = width() - RowMargin;
    if (m_tabs.isEmpty())
        return right;
    const int size = buttonSize();
    if (m_showCloseButton)
        right -= size + ButtonSpacing;
    if (m_showMenuButton)
        right -= size + ButtonSpacing;
    if (withScroller)
        right -= 2 * size + ButtonSpacing;
    return right;
}

bool TPageControl::overflows() const
{
    int right = RowMargin;
    for (const Tab &tab : m_tabs)
        right += tab.width;
    return right > rowRight(false);
}

int TPageControl::lastFullyShown(int first) const
{
    const int limit = rowRight(overflows());
    int x = RowMargin;
    int i = first;
    while (i < m_tabs.size() && x + m_tabs.at(i).width <= limit) {
        x += m_tabs.at(i).width;
        ++i;
    }
    return i - 1;
}

// Without overflow every tab is shown. With it, the first shown tab stays where the user put it
// but is pulled back while the tabs from it to the last leave room for one more.
void TPageControl::normaliseFirstShown()
{
    const int count = TabCount();
    if (count == 0 || !overflows()) {
        m_firstShown = 0;
        return;
    }
    m_firstShown = std::clamp(m_firstShown, 0, count - 1);
    while (m_firstShown > 0 && lastFullyShown(m_firstShown - 1) == count - 1)
        --m_firstShown;
}

void TPageControl::scrollIntoView(int index)
{
    m_keepActiveInView = true;
    normaliseFirstShown();
    if (!overflows())
        return;
    if (index < m_firstShown)
        m_firstShown = index;
    else
        while (m_firstShown < index && lastFullyShown(m_firstShown) < index)
            ++m_firstShown;
}

void TPageControl::requestLayout()
{
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

// Lays the row out now unless a rebuild has cleared the shapes: those stay cleared until the
// pending layout pass, so that nothing is hit in between.
void TPageControl::relayout()
{
    if (m_shapesValid)
        layoutTabs();
    else
        requestLayout();
    placeButtons();
    update();
}

// Places the tabs that fit and computes their shapes. It touches no child widget, so that it
// may also run right before painting.
void TPageControl::layoutTabs()
{
    // Captions that grow (a title replacing "加载中...") or a narrower control must not push
    // the active tab out of the row, unless the user scrolled it away with the arrows.
    if (m_keepActiveInView && m_tabIndex >= 0 && m_tabIndex < TabCount())
        scrollIntoView(m_tabIndex);
    else
        normaliseFirstShown();
    const int last = lastFullyShown(m_firstShown);
    const qreal radius = m_tabStyle == tsRoundCorners ? CornerRadius : 0;
    int x = RowMargin;
    for (int i = 0; i < m_tabs.size(); ++i) {
        Tab &tab = m_tabs[i];
        tab.slot = QRect();
        tab.shape = QPainterPath();
        if (i < m_firstShown || i > last)
            continue;
        tab.slot = QRect(x, ActiveOverhang, tab.width, tabHeight());
        tab.shape = tabOutline(QRectF(tabArea(tab.slot, i == m_tabIndex, rowHeight())), radius, true);
        x += tab.width;
    }
    m_shapesValid = true;
    if (m_hotTab >= TabCount())
        m_hotTab = -1;
}

// The buttons at the row's end, from the right: close, menu and, while the tabs overflow, the
// arrows; then the small close button on the active tab while that tab is fully shown.
void TPageControl::placeButtons()
{
    const bool anyTab = !m_tabs.isEmpty();
    const int size = buttonSize();
    const int top = rowHeight() - RowMargin - size;
    int right = width() - RowMargin;
    if (m_closeButton) {
        m_closeButton->setVisible(m_showCloseButton && anyTab);
        if (m_showCloseButton) {
            m_closeButton->setGeometry(right - size, top, size, size);
            right -= size + ButtonSpacing;
        }
    }
    if (m_menuButton) {
        m_menuButton->setVisible(m_showMenuButton && anyTab);
        if (m_showMenuButton)
            m_menuButton->setGeometry(right - size, top, size, size);
    }

    const bool overflow = anyTab && overflows();
    if (overflow) {
        m_scroller->setGeometry(rowRight(true) + ButtonSpacing, top, 2 * size, size);
        m_scroller->setArrowsEnabled(m_firstShown > 0, lastFullyShown(m_firstShown) < TabCount() - 1);
    }
    m_scroller->setVisible(overflow);

    if (!m_activeCloseButton)
        return;
    const QRect slot = m_shapesValid && m_tabIndex >= 0 && m_tabIndex < TabCount()
                           ? m_tabs.at(m_tabIndex).slot : QRect();
    const bool shown = m_showActiveCloseButton && !slot.isEmpty();
    if (shown) {
        const QSize button = tabHeight() <= 12 ? QSize(10, 9) : QSize(15, 13);
        const QRect area = tabArea(slot, true, rowHeight());
        m_activeCloseButton->setGeometry(slot.right() - TabPadding - button.width() + 1,
                                         area.top() + (area.height() - button.height()) / 2,
                                         button.width(), button.height());
        m_activeCloseButton->raise();
    }
    m_activeCloseButton->setVisible(shown);
}

void TPageControl::placePageArea()
{
    const int top = rowHeight() + 1;
    m_pageArea->setGeometry(1, top, std::max(0, width() - 2), std::max(0, height() - top - 1));
    for (TTabSheet *page : std::as_const(m_pages))
        page->setGeometry(m_pageArea->rect());
}

void TPageControl::setHotTab(int index)
{
    if (index == m_hotTab)
        return;
    m_hotTab = index;
    update(QRect(0, 0, width(), rowHeight()));
}

int TPageControl::TabAtPoint(int x, int y) const
{
    if (m_tabs.isEmpty())
        return -1;
    const QPointF point(x + 0.5, y + 0.5);
    const auto hit = [&](int i) {
        const Tab &tab = m_tabs.at(i);
        return !tab.slot.isEmpty() && tab.shape.contains(point);
    };
    // The active tab first: it overlaps its neighbours.
    if (m_tabIndex >= 0 && m_tabIndex < m_tabs.size() && hit(m_tabIndex))
        return m_tabIndex;
    const int count = TabCount();
    const int first = std::clamp(m_firstShown, 0, count - 1);
    for (int n = 0; n < count; ++n) {
        const int i = (first + n) % count;
        if (i != m_tabIndex && hit(i))
            return i;
    }
    return -1;
}

QRect TPageControl::TabRect(int tabIndex) const
{
    if (!m_shapesValid || tabIndex < 0 || tabIndex >= m_tabs.size())
        return QRect();
    return m_tabs.at(tabIndex).slot;
}

QIcon TPageControl::tabIcon(const Tab &tab) const
{
    const auto image = [this](int index) {
        return index >= 0 && index < m_images.size() ? m_images.at(index) : QIcon();
    };
    if (!tab.enabled && !image(tab.disabledImageIndex).isNull())
        return image(tab.disabledImageIndex);
    return image(tab.imageIndex);
}

// --- Painting --------------------------------------------------------------------------------

void TPageControl::paintEvent(QPaintEvent *)
{
    if (!m_shapesValid)
        layoutTabs();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    const int row = rowHeight();

    // The frame around the pages; the active tab opens it where it stands.
    painter.setPen(pal.color(QPalette::Mid));
    painter.setBrush(pal.base());
    painter.drawRect(QRectF(0.5, row + 0.5, width() - 1, height() - row - 1));

    for (int i = 0; i < m_tabs.size(); ++i) {
        if (i != m_tabIndex && !m_tabs.at(i).slot.isEmpty())
            drawTab(painter, i);
    }
    if (m_tabIndex >= 0 && m_tabIndex < m_tabs.size() && !m_tabs.at(m_tabIndex).slot.isEmpty())
        drawTab(painter, m_tabIndex);
}

void TPageControl::drawTab(QPainter &painter, int index) const
{
    const Tab &tab = m_tabs.at(index);
    const QPalette &pal = palette();
    const bool active = index == m_tabIndex;
    const bool hot = m_hotTrack && index == m_hotTab && !active && tab.enabled;
    const QRect area = tabArea(tab.slot, active, rowHeight());
    const qreal radius = m_tabStyle == tsRoundCorners ? CornerRadius : 0;

    // Fill and border are drawn on the half pixel so that the one-pixel lines stay sharp; the
    // active tab reaches one pixel further down, over the frame of the pages.
    const QRectF outline = QRectF(area).adjusted(0.5, 0.5, -0.5, active ? 0.5 : -0.5);
    const QPainterPath fillPath = tabOutline(outline, radius, true);
    const QPainterPath borderPath = tabOutline(outline, radius, false);

    const QColor window = pal.color(QPalette::Window);
    if (active) {
        painter.fillPath(fillPath, pal.base());
    } else {
        QColor top = mixed(window, pal.color(QPalette::Button), 0.5).darker(104);
        QColor bottom = top.darker(108);
        if (hot) {
            top = mixed(top, pal.color(QPalette::Highlight), 0.12).lighter(106);
            bottom = mixed(bottom, pal.color(QPalette::Highlight), 0.18).lighter(104);
        }
        QLinearGradient gradient(outline.topLeft(), outline.bottomLeft());
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        painter.fillPath(fillPath, gradient);
    }
    QPen border(hot ? mixed(pal.color(QPalette::Mid), pal.color(QPalette::Highlight), 0.5) : pal.color(QPalette::Mid));
    border.setCapStyle(Qt::FlatCap);
    painter.strokePath(borderPath, border);
    if (active) {
        // An accent along the top marks the active tab even in flat palettes.
        painter.save();
        painter.setClipPath(tabOutline(QRectF(area), radius, true));
        painter.fillRect(QRect(area.left(), area.top(), area.width(), 2), pal.color(QPalette::Highlight));
        painter.restore();
    }

    // Image and caption, left to right; the close button's room stays free on the right.
    const int textTop = area.top() + (active ? 1 : 0);
    QRect content(tab.slot.left() + TabPadding + ImageMargin, textTop,
                  tab.slot.width() - 2 * TabPadding - ImageMargin - CloseButtonRoom, area.height() - (active ? 1 : 0));
    const QIcon icon = tabIcon(tab);
    if (!icon.isNull()) {
        const QRect iconRect(content.left(), content.top() + (content.height() - ImageSize) / 2, ImageSize, ImageSize);
        icon.paint(&painter, iconRect, Qt::AlignCenter, tab.enabled ? QIcon::Normal : QIcon::Disabled);
        content.setLeft(iconRect.right() + 1);
    }
    painter.setFont(tabFont(active));
    painter.setPen(tab.enabled ? pal.color(QPalette::WindowText) : pal.color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, tab.caption);

    if (active && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        const int textWidth = QFontMetrics(tabFont(true)).horizontalAdvance(tab.caption);
        focus.rect = QRect(content.left() - 2, content.top() + 3, std::min(textWidth, content.width()) + 4,
                           content.height() - 6);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
