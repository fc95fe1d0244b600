#include "TPageControl.h"

#include <QCollator>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <numeric>

namespace {

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
QPainterPath tabOutline(const QRectF &r, qreal radius, bool closed)
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
QRect tabArea(const QRect &slot, bool active, int rowHeight)
{
    if (!active)
        return slot.adjusted(0, 0, -1, 0);
    return QRect(slot.left() - ActiveOverhang, 0, slot.width() + 2 * ActiveOverhang, rowHeight);
}

QWidget *firstFocusableChild(QWidget *container)
{
    for (QWidget *w = container->nextInFocusChain(); w && w != container; w = w->nextInFocusChain()) {
        if (container->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(container)
            && (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

QColor mixed(const QColor &a, const QColor &b, qreal share)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * share,
                            a.greenF() + (b.greenF() - a.greenF()) * share,
                            a.blueF() + (b.blueF() - a.blueF()) * share);
}

QString escapedMnemonics(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TTabSheet

TTabSheet::TTabSheet(TPageControl *pageControl)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    // A press on a page belongs to the page, never to the tab row behind it.
    setAttribute(Qt::WA_NoMousePropagation);
    SetPageControl(pageControl);
}

TTabSheet::~TTabSheet()
{
    if (m_pageControl)
        m_pageControl->removePage(this);
}

void TTabSheet::SetPageControl(TPageControl *pageControl)
{
    if (pageControl == m_pageControl)
        return;
    if (m_pageControl)
        m_pageControl->removePage(this);
    if (pageControl)
        pageControl->addPage(this);
    else
        setParent(nullptr);
}

void TTabSheet::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    tabChanged();
    emit captionChanged(caption);
}

void TTabSheet::SetHint(const QString &hint)
{
    m_hint = hint;
    applyHint();
}

void TTabSheet::SetShowHint(bool show)
{
    m_showHint = show;
    applyHint();
}

void TTabSheet::applyHint()
{
    setToolTip(m_showHint ? m_hint : QString());
}

void TTabSheet::SetTabVisible(bool visible)
{
    if (visible == m_tabVisible)
        return;
    m_tabVisible = visible;
    tabChanged();
}

void TTabSheet::SetTabEnabled(bool enabled)
{
    if (enabled == m_tabEnabled)
        return;
    m_tabEnabled = enabled;
    tabChanged();
}

void TTabSheet::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    tabChanged();
}

void TTabSheet::SetDisabledImageIndex(int index)
{
    if (index == m_disabledImageIndex)
        return;
    m_disabledImageIndex = index;
    tabChanged();
}

int TTabSheet::PageIndex() const
{
    return m_pageControl ? int(m_pageControl->m_pages.indexOf(const_cast<TTabSheet *>(this))) : -1;
}

void TTabSheet::SetPageIndex(int index)
{
    if (m_pageControl)
        m_pageControl->movePage(this, index);
}

void TTabSheet::tabChanged()
{
    if (m_pageControl)
        m_pageControl->tabsChanged();
}

// ---------------------------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(QWidget *parent)
    : QWidget(parent)
    , m_pageArea(new QWidget(this))
    , m_scroller(new TTabScroller(this))
{
    m_pageArea->setObjectName(QStringLiteral("pageArea"));
    m_scroller->hide();
    connect(m_scroller, &TTabScroller::scrollRequested, this, &TPageControl::scrollBy);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    // A right press selects or closes tabs; no context menu may follow it up the parents.
    setContextMenuPolicy(Qt::PreventContextMenu);

    // Ctrl+Tab works wherever the focus is inside the control, a page's content included, and
    // before that content sees the key.
    auto *next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this, nullptr, nullptr,
                               Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this, [this] { SelectAdjacentPage(true); });
    // X11 reports Ctrl+Shift+Tab as Backtab, other systems as Tab; should a system report
    // both, the two keys of this one shortcut count as ambiguous, which is still our key.
    auto *previous = new QShortcut(this);
    previous->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)});
    previous->setContext(Qt::WidgetWithChildrenShortcut);
    connect(previous, &QShortcut::activated, this, [this] { SelectAdjacentPage(false); });
    connect(previous, &QShortcut::activatedAmbiguously, this, [this] { SelectAdjacentPage(false); });

    placePageArea();
}

TPageControl::~TPageControl()
{
    // Pages die with the control without raising anything: the owner may be half gone.
    m_destroying = true;
    OnMouseDown = nullptr;
    OnDblClick = nullptr;
    OnChanging = nullptr;
    OnChange = nullptr;
    OnPageChange = nullptr;
    OnClose = nullptr;
    OnTabClick = nullptr;
    const QList<TTabSheet *> pages = m_pages;
    m_pages.clear();
    m_tabs.clear();
    m_activePage = nullptr;
    for (TTabSheet *page : pages)
        page->m_pageControl = nullptr;
    qDeleteAll(pages);
}

// --- Page list -------------------------------------------------------------------------------

TTabSheet *TPageControl::PageAt(int index) const
{
    if (index < 0 || index >= m_pages.size())
        throw std::out_of_range(QStringLiteral("List index out of bounds (%1)").arg(index).toStdString());
    return m_pages.at(index);
}

TTabSheet *TPageControl::PageOfTab(int tabIndex) const
{
    return tabIndex >= 0 && tabIndex < m_tabs.size() ? m_tabs.at(tabIndex).page : nullptr;
}

int TPageControl::TabIndexOf(const TTabSheet *page) const
{
    for (int i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs.at(i).page == page)
            return i;
    }
    return -1;
}

void TPageControl::addPage(TTabSheet *page)
{
    page->m_pageControl = this;
    m_pages.append(page);
    page->setParent(m_pageArea);
    page->setGeometry(m_pageArea->rect());
    // Hidden explicitly, so that showing the control does not show it too.
    page->hide();
    rebuildTabs();
}

void TPageControl::removePage(TTabSheet *page)
{
    if (m_destroying || !m_pages.contains(page))
        return;
    // The page leaves the list before anything is raised, so that no handler meets a page that
    // is half destroyed.
    m_pages.removeOne(page);
    page->m_pageControl = nullptr;
    rebuildTabs();
    if (page == m_activePage) {
        // No successor is chosen here: that is for whoever removed the page.
        if (m_tabIndex != -1) {
            m_tabIndex = -1;
            emit tabIndexChanged(-1);
        }
        showPage(nullptr);
        relayout();
        if (OnPageChange)
            OnPageChange(this);
        return;
    }
    followActivePage();
}

void TPageControl::movePage(TTabSheet *page, int index)
{
    const int last = PageCount() - 1;
    if (index < 0 || index > last) {
        throw ETabControlError(
            QString::asprintf("%d is an invalid PageIndex value. PageIndex must be between 0 and %d",
                              index, last).toStdString());
    }
    const int from = int(m_pages.indexOf(page));
    if (from == index)
        return;
    m_pages.move(from, index);
    rebuildTabs();
    followActivePage();
}

void TPageControl::tabsChanged()
{
    rebuildTabs();
    followActivePage();
}

// The tab list copies what the pages show. Rebuilding clears every tab's shape; the row is
// laid out again before it is next painted.
void TPageControl::rebuildTabs()
{
    m_tabs.clear();
    for (TTabSheet *page : std::as_const(m_pages)) {
        if (!page->TabVisible())
            continue;
        Tab tab;
        tab.page = page;
        tab.caption = page->Caption();
        tab.enabled = page->TabEnabled();
        tab.imageIndex = page->ImageIndex();
        tab.disabledImageIndex = page->DisabledImageIndex();
        tab.width = measureTab(tab);
        m_tabs.append(tab);
    }
    m_hotTab = -1;
    m_shapesValid = false;
    placeButtons();
    requestLayout();
    update();
}

// After a change of the tab list the shown page keeps its place, so TabIndex follows it: as a
// change of tab when its tab moved, or to -1 when its tab was hidden.
void TPageControl::followActivePage()
{
    if (!m_activePage)
        return;
    const int index = TabIndexOf(m_activePage);
    if (index == m_tabIndex)
        return;
    if (index < 0) {
        m_tabIndex = -1;
        emit tabIndexChanged(-1);
        relayout();
        return;
    }
    QPointer<TPageControl> guard(this);
    changeTabIndex(index, true);
    // A refused move would leave TabIndex naming another page's tab while this page is still
    // the one shown, so the index follows the page all the same.
    if (guard && m_activePage && m_tabIndex != index && TabIndexOf(m_activePage) == index) {
        m_tabIndex = index;
        emit tabIndexChanged(index);
        scrollIntoView(index);
        relayout();
    }
}

// --- Activation ------------------------------------------------------------------------------

void TPageControl::SetTabIndex(int index)
{
    changeTabIndex(index, true);
}

void TPageControl::changeTabIndex(int index, bool askFirst)
{
    QPointer<TPageControl> guard(this);
    if (index < 0 || index >= TabCount()) {
        if (m_tabIndex != -1) {
            m_tabIndex = -1;
            emit tabIndexChanged(-1);
        }
        relayout();
        return;
    }
    const int old = m_tabIndex;
    if (index != old) {
        if (askFirst && !canChangeTo(index)) {
            if (guard)
                placeButtons();
            return;
        }
        if (!guard || index >= TabCount())
            return;
        showPage(m_tabs.at(index).page);
    }
    m_tabIndex = index;
    scrollIntoView(index);
    relayout();
    if (m_tabIndex != old) {
        emit tabIndexChanged(m_tabIndex);
        if (OnChange)
            OnChange(this);
        if (guard && OnPageChange)
            OnPageChange(this);
    }
}

bool TPageControl::canChangeTo(int index)
{
    if (!m_tabs.at(index).enabled)
        return false;
    bool allow = true;
    if (OnChanging)
        OnChanging(this, index, allow);
    return allow;
}

void TPageControl::SetActivePage(TTabSheet *page)
{
    if (page && page->m_pageControl != this)
        return;
    const int index = page ? TabIndexOf(page) : -1;
    if (index >= 0) {
        changeTabIndex(index, true);
        return;
    }
    QPointer<TPageControl> guard(this);
    showPage(page);
    if (OnPageChange)
        OnPageChange(this);
    if (!guard)
        return;
    if (m_tabIndex != -1) {
        m_tabIndex = -1;
        emit tabIndexChanged(-1);
    }
    relayout();
}

// Shows `page` instead of the active page. Focus inside the old page moves into the new page,
// or to the strip when there is no page to take it.
void TPageControl::showPage(TTabSheet *page)
{
    TTabSheet *old = m_activePage;
    if (old == page)
        return;
    QWidget *focus = window()->focusWidget();
    const bool focusInOld = old && focus && (focus == old || old->isAncestorOf(focus));
    if (focusInOld)
        old->setFocus(Qt::OtherFocusReason);
    if (page) {
        page->setGeometry(m_pageArea->rect());
        page->raise();
        page->show();
    }
    if (focusInOld) {
        if (page && page->isEnabled())
            page->setFocus(Qt::OtherFocusReason);
        else if (TabStop())
            setFocus(Qt::OtherFocusReason);
    }
    if (old)
        old->hide();
    m_activePage = page;
    if (page && window()->focusWidget() == page) {
        if (QWidget *child = firstFocusableChild(page))
            child->setFocus(Qt::TabFocusReason);
    }
    emit activePageChanged(page);
}

void TPageControl::SelectAdjacentPage(bool goForward)
{
    const int count = PageCount();
    if (count == 0)
        return;
    const int start = m_activePage ? int(m_pages.indexOf(m_activePage)) : (goForward ? count - 1 : 0);
    int i = start;
    do {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        if (m_pages.at(i)->TabVisible()) {
            SetActivePage(m_pages.at(i));
            return;
        }
    } while (i != start);
}

void TPageControl::CloseActiveTab()
{
    if (m_tabIndex < 0)
        return;
    QPointer<TPageControl> guard(this);
    bool allowClose = false;
    if (OnClose)
        OnClose(this, allowClose);
    if (!guard || !allowClose)
        return;
    const int closed = m_tabIndex;
    delete m_activePage;
    if (guard)
        changeTabIndex(closed > 0 ? closed - 1 : 0, true);
}

// Closes every page from the last to the first, each with its own OnClose, drawing nothing
// until the end.
void TPageControl::closeAllPages()
{
    QPointer<TPageControl> guard(this);
    setUpdatesEnabled(false);
    for (int i = PageCount() - 1; i >= 0 && guard; --i) {
        if (i >= PageCount())
            continue;
        SetActivePage(m_pages.at(i));
        if (guard)
            CloseActiveTab();
    }
    if (guard)
        setUpdatesEnabled(true);
}

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
        if (!m_shapesValid)
            layoutTabs();
        placeButtons();
        update();
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

// --- Settings --------------------------------------------------------------------------------

void TPageControl::SetShowCloseButton(bool show)
{
    m_showCloseButton = show;
    if (show && !m_closeButton) {
        auto *button = new TTabControlCloseButton(this);
        connect(button, &QAbstractButton::clicked, this, &TPageControl::CloseActiveTab);
        connect(button, &TTabControlCloseButton::closeAllRequested, this, &TPageControl::closeAllPages);
        m_closeButton = button;
    }
    relayout();
}

void TPageControl::SetShowCloseButtonOnActiveTab(bool show)
{
    m_showActiveCloseButton = show;
    if (show && !m_activeCloseButton) {
        m_activeCloseButton = new TActiveTabCloseButton(this);
        connect(m_activeCloseButton, &QAbstractButton::clicked, this, &TPageControl::CloseActiveTab);
    }
    placeButtons();
}

void TPageControl::SetShowMenuButton(bool show)
{
    m_showMenuButton = show;
    if (show && !m_menuButton) {
        m_menuButton = new TTabMenuButton(this);
        connect(m_menuButton, &QAbstractButton::clicked, this, &TPageControl::showTabMenu);
    }
    relayout();
}

void TPageControl::SetBoldCurrentTab(bool bold)
{
    if (bold == m_boldCurrentTab)
        return;
    m_boldCurrentTab = bold;
    for (Tab &tab : m_tabs)
        tab.width = measureTab(tab);
    placePageArea();
    relayout();
}

void TPageControl::SetTabStyle(TTabStyle style)
{
    m_tabStyle = style;
    relayout();
}

void TPageControl::SetHotTrack(bool hotTrack)
{
    m_hotTrack = hotTrack;
    if (!hotTrack)
        setHotTab(-1);
}

void TPageControl::SetTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TPageControl::SetImages(const QList<QIcon> &images)
{
    m_images = images;
    rebuildTabs();
}

QSize TPageControl::sizeHint() const
{
    return QSize(400, rowHeight() + 200);
}

QSize TPageControl::minimumSizeHint() const
{
    return QSize(3 * buttonSize() + 4 * RowMargin, rowHeight() + 2);
}

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

// ---------------------------------------------------------------------------------------------
// Buttons

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
