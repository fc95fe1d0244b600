#include "TPageControl.h"
#include "TTabStripButtons.h"

#include <QCollator>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionFocusRect>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <numeric>

namespace {

QString escapedMnemonics(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

// --- Mouse, keyboard and the tab menu -------------------------------------------------------

void TPageControl::pressed(QMouseEvent *event, bool doubleClick)
{
    QPointer<TPageControl> guard(this);
    const QPoint pos = event->position().toPoint();
    event->accept();
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), doubleClick, pos.x(), pos.y());
    if (!guard || !isEnabled())
        return;
    // Looked up only now: a handler that added or removed pages leaves no tab under the pointer.
    const int index = TabAtPoint(pos.x(), pos.y());
    if (index >= 0 && m_tabs.at(index).enabled) {
        if (index == m_tabIndex && TabStop()) {
            setFocus(Qt::MouseFocusReason);
            if (window()->focusWidget() != this)
                return;
        }
        changeTabIndex(index, true);
        if (!guard)
            return;
        if (m_tabIndex == index && OnTabClick)
            OnTabClick(this);
    }
}

// Arrow keys step through the tabs cyclically, Home and End search inwards from the ends.
// Disabled tabs and tabs that OnChanging refuses are passed over; the search ends at the
// active tab.
void TPageControl::selectByKey(int key)
{
    const int count = TabCount();
    if (count == 0)
        return;
    const int current = m_tabIndex;
    QList<int> candidates;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        for (int i = 1; i <= count; ++i)
            candidates.append((current + i + count) % count);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        for (int i = 1; i <= count; ++i)
            candidates.append(((current < 0 ? count : current) - i + 2 * count) % count);
        break;
    case Qt::Key_Home:
        for (int i = 0; i < count; ++i)
            candidates.append(i);
        break;
    case Qt::Key_End:
        for (int i = count - 1; i >= 0; --i)
            candidates.append(i);
        break;
    default:
        return;
    }
    QPointer<TPageControl> guard(this);
    for (int index : std::as_const(candidates)) {
        if (index == current)
            return;
        if (!canChangeTo(index)) {
            // A handler that changed the tabs has made the remaining candidates meaningless.
            if (!guard || TabCount() != count)
                return;
            continue;
        }
        if (!guard || TabCount() != count)
            return;
        changeTabIndex(index, false);
        if (guard && m_tabIndex == index && OnTabClick)
            OnTabClick(this);
        return;
    }
}

void TPageControl::showTabMenu()
{
    if (m_tabs.isEmpty())
        return;
    QList<int> order(m_tabs.size());
    std::iota(order.begin(), order.end(), 0);
    // Captions are compared as the user's language orders them (pinyin for Chinese), case
    // aside. Every tab has its own entry; equal captions keep their order in the row.
    if (m_sortTabMenu) {
        QCollator collator(locale());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(order.begin(), order.end(), [this, &collator](int a, int b) {
            return collator.compare(m_tabs.at(a).caption, m_tabs.at(b).caption) < 0;
        });
    }
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("TabMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int index : std::as_const(order)) {
        const Tab &tab = m_tabs.at(index);
        QAction *action = menu->addAction(tabIcon(tab), escapedMnemonics(tab.caption));
        // Only the active tab's item is checkable, so that the others show no empty box.
        action->setCheckable(index == m_tabIndex);
        action->setChecked(index == m_tabIndex);
        action->setEnabled(tab.enabled);
        // The tabs may change while the menu is open, so the item keeps its page, not its index.
        connect(action, &QAction::triggered, this, [this, page = QPointer<TTabSheet>(tab.page)] {
            const int at = page ? TabIndexOf(page) : -1;
            if (at >= 0)
                SetTabIndex(at);
        });
    }
    const QPoint bottomRight = m_menuButton->mapToGlobal(QPoint(m_menuButton->width(), m_menuButton->height()));
    menu->popup(QPoint(bottomRight.x() - menu->sizeHint().width(), bottomRight.y()));
}

void TPageControl::scrollBy(int step)
{
    const int count = TabCount();
    if (step > 0 && lastFullyShown(m_firstShown) < count - 1)
        ++m_firstShown;
    else if (step < 0 && m_firstShown > 0)
        --m_firstShown;
    else
        return;
    // Scrolled by hand: the row follows the active tab again only if it is still in view.
    m_keepActiveInView = m_tabIndex >= m_firstShown && m_tabIndex <= lastFullyShown(m_firstShown);
    relayout();
}

// --- Events ----------------------------------------------------------------------------------

bool TPageControl::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        // A paint since the request has laid the row out and shown it already: only the
        // buttons may still stand where they stood before.
        const bool painted = m_shapesValid;
        if (!painted)
            layoutTabs();
        placeButtons();
        if (!painted)
            update();
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        // The hint belongs to the tab under the pointer. It may be any text at all (a page
        // title, say), so it is shown as plain text: a tool tip that looks like HTML would
        // otherwise be rendered as HTML.
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = TabAtPoint(help->pos().x(), help->pos().y());
        const TTabSheet *page = PageOfTab(index);
        if (page && page->ShowHint() && !page->Hint().isEmpty())
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(page->Hint(), Qt::WhiteSpacePre), this,
                               TabRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TPageControl::mousePressEvent(QMouseEvent *event)
{
    pressed(event, false);
}

// Qt delivers the press that completes a double click as this event instead of a press.
void TPageControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPointer<TPageControl> guard(this);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    if (guard)
        pressed(event, true);
}

void TPageControl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    setHotTab(m_hotTrack ? TabAtPoint(pos.x(), pos.y()) : -1);
    QWidget::mouseMoveEvent(event);
}

void TPageControl::leaveEvent(QEvent *event)
{
    setHotTab(-1);
    QWidget::leaveEvent(event);
}

void TPageControl::keyPressEvent(QKeyEvent *event)
{
    // Keys a page's content leaves alone travel up to here; only the strip's own focus counts.
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (plain && window()->focusWidget() == this) {
            event->accept();
            selectByKey(event->key());
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void TPageControl::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TPageControl::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

void TPageControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The row and its buttons are in place for the first paint, which then needs no second
    // one once the pending layout request arrives.
    if (!m_shapesValid) {
        layoutTabs();
        placeButtons();
    }
}

void TPageControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePageArea();
    relayout();
}

void TPageControl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        for (Tab &tab : m_tabs)
            tab.width = measureTab(tab);
        placePageArea();
        updateGeometry();
        relayout();
    }
}
