#include "TPageControl.h"
#include "TTabRowGeometry.h"
#include "TTabStripButtons.h"

#include <QPointer>
#include <QShortcut>
#include <QStyleOptionFocusRect>

namespace {

QWidget *firstFocusableChild(QWidget *container)
{
    for (QWidget *w = container->nextInFocusChain(); w && w != container; w = w->nextInFocusChain()) {
        if (container->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(container)
            && (w->focusPolicy() & Qt::TabFocus))
            return w;
    }
    return nullptr;
}

} // namespace


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
    return QSize(3 * buttonSize() + 4 * TabRow::RowMargin, rowHeight() + 2);
}
