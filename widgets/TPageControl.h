#pragma once

#include <QIcon>
#include <QList>
#include <QPainterPath>
#include <QWidget>

#include <functional>
#include <stdexcept>

class TPageControl;
class TTabScroller;
class TTabStripButton;

// Raised when a page is moved to a position the page list does not have.
class ETabControlError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One page of a TPageControl. Constructing a page with a control appends it to that control's
// page list, hidden and not active (the owner activates it). SetPageControl() moves a page to
// another control; SetPageControl(nullptr) detaches it, and the caller then owns it. Deleting a
// page takes it out of its control, with the events that raises.
class TTabSheet : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY captionChanged)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)
    Q_PROPERTY(bool TabEnabled READ TabEnabled WRITE SetTabEnabled)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int DisabledImageIndex READ DisabledImageIndex WRITE SetDisabledImageIndex)
    Q_PROPERTY(int PageIndex READ PageIndex WRITE SetPageIndex)

public:
    explicit TTabSheet(TPageControl *pageControl = nullptr);
    ~TTabSheet() override;

    TPageControl *PageControl() const { return m_pageControl; }
    void SetPageControl(TPageControl *pageControl);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    // The hint shows over the page's tab, as plain text, while ShowHint is on.
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    bool TabVisible() const { return m_tabVisible; }
    void SetTabVisible(bool visible);
    bool TabEnabled() const { return m_tabEnabled; }
    void SetTabEnabled(bool enabled);
    // Positions in the control's Images; -1 for none.
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    int DisabledImageIndex() const { return m_disabledImageIndex; }
    void SetDisabledImageIndex(int index);

    // Position in the control's page list, -1 without a control. Moving a page outside 0 to
    // PageCount() - 1 throws ETabControlError.
    int PageIndex() const;
    void SetPageIndex(int index);

signals:
    void captionChanged(const QString &caption);

private:
    friend class TPageControl;
    void tabChanged();

    TPageControl *m_pageControl = nullptr;
    QString m_caption;
    QString m_hint;
    bool m_showHint = false;
    bool m_tabVisible = true;
    bool m_tabEnabled = true;
    int m_imageIndex = -1;
    int m_disabledImageIndex = -1;
};

// A row of closable tabs over a stack of pages, of which at most the active one is shown.
// Its rules differ from QTabWidget's: the owner can refuse a change or a close, a press
// is reported before the strip acts on it, and the strip never picks a successor for a
// destroyed page by itself.
class TPageControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int TabIndex READ TabIndex WRITE SetTabIndex NOTIFY tabIndexChanged)
    Q_PROPERTY(TTabSheet *ActivePage READ ActivePage WRITE SetActivePage NOTIFY activePageChanged)
    Q_PROPERTY(int PageCount READ PageCount)
    Q_PROPERTY(bool ShowCloseButton READ ShowCloseButton WRITE SetShowCloseButton)
    Q_PROPERTY(bool ShowCloseButtonOnActiveTab READ ShowCloseButtonOnActiveTab WRITE SetShowCloseButtonOnActiveTab)
    Q_PROPERTY(bool ShowMenuButton READ ShowMenuButton WRITE SetShowMenuButton)
    Q_PROPERTY(bool BoldCurrentTab READ BoldCurrentTab WRITE SetBoldCurrentTab)
    Q_PROPERTY(TTabStyle TabStyle READ TabStyle WRITE SetTabStyle)
    Q_PROPERTY(bool SortTabMenu READ SortTabMenu WRITE SetSortTabMenu)
    Q_PROPERTY(bool HotTrack READ HotTrack WRITE SetHotTrack)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)

public:
    enum TTabStyle { tsTabs, tsRoundCorners };
    Q_ENUM(TTabStyle)

    explicit TPageControl(QWidget *parent = nullptr);
    ~TPageControl() override;

    // Events. Sender is the control; the var parameters come back to the control.
    // Every button press on the tab row, before the strip acts on it. DoubleClick is set for
    // the press that completes a double click.
    std::function<void(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                       bool DoubleClick, int X, int Y)> OnMouseDown;
    // The second press of a left double click, just before its OnMouseDown.
    std::function<void(QObject *Sender)> OnDblClick;
    // Before the active tab moves to NewIndex; AllowChange arrives true.
    std::function<void(QObject *Sender, int NewIndex, bool &AllowChange)> OnChanging;
    // After TabIndex moved to another tab; ActivePage is already the new page.
    std::function<void(QObject *Sender)> OnChange;
    // After each OnChange, and when ActivePage becomes none or a page without a visible tab.
    std::function<void(QObject *Sender)> OnPageChange;
    // A close button asks to close the active tab. AllowClose arrives false, so without a
    // handler nothing is ever closed.
    std::function<void(QObject *Sender, bool &AllowClose)> OnClose;
    // A press or a navigation key chose a tab and that tab is active.
    std::function<void(QObject *Sender)> OnTabClick;

    TTabSheet *ActivePage() const { return m_activePage; }
    // A page of another control is ignored. nullptr hides the active page (no tab active).
    void SetActivePage(TTabSheet *page);
    // The active tab, -1 for none. Setting an index outside the tabs leaves no tab active
    // but the page shown; setting a disabled tab is refused.
    int TabIndex() const { return m_tabIndex; }
    void SetTabIndex(int index);

    int PageCount() const { return int(m_pages.size()); }
    // Throws std::out_of_range outside 0 to PageCount() - 1.
    TTabSheet *PageAt(int index) const;
    // Tabs are the pages whose TabVisible is on, in page order.
    int TabCount() const { return int(m_tabs.size()); }
    TTabSheet *PageOfTab(int tabIndex) const;
    int TabIndexOf(const TTabSheet *page) const;

    // The tab under a client point, or -1. Uses the tab shapes of the last layout pass, so it
    // finds nothing between a change of the tabs and the next layout (before the next paint).
    int TabAtPoint(int x, int y) const;
    // A tab's slot in the row as of the last layout pass; empty while it is not fully shown.
    QRect TabRect(int tabIndex) const;
    // Activates the next or previous page that has a visible tab, cyclically.
    void SelectAdjacentPage(bool goForward);
    // Asks OnClose, then destroys the active page and activates the tab left of it.
    void CloseActiveTab();

    bool ShowCloseButton() const { return m_showCloseButton; }
    void SetShowCloseButton(bool show);
    bool ShowCloseButtonOnActiveTab() const { return m_showActiveCloseButton; }
    void SetShowCloseButtonOnActiveTab(bool show);
    bool ShowMenuButton() const { return m_showMenuButton; }
    void SetShowMenuButton(bool show);
    bool BoldCurrentTab() const { return m_boldCurrentTab; }
    void SetBoldCurrentTab(bool bold);
    TTabStyle TabStyle() const { return m_tabStyle; }
    void SetTabStyle(TTabStyle style);
    bool SortTabMenu() const { return m_sortTabMenu; }
    void SetSortTabMenu(bool sort) { m_sortTabMenu = sort; }
    bool HotTrack() const { return m_hotTrack; }
    void SetHotTrack(bool hotTrack);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool tabStop);
    // Tab images, indexed by the pages' ImageIndex and DisabledImageIndex.
    QList<QIcon> Images() const { return m_images; }
    void SetImages(const QList<QIcon> &images);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void tabIndexChanged(int index);
    void activePageChanged(TTabSheet *page);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class TTabSheet;

    struct Tab
    {
        TTabSheet *page = nullptr;
        QString caption;
        bool enabled = true;
        int imageIndex = -1;
        int disabledImageIndex = -1;
        int width = 0;
        QRect slot;          // empty while not fully shown
        QPainterPath shape;  // hit area, cleared by a rebuild until the next layout
    };

    // Page list
    void addPage(TTabSheet *page);
    void removePage(TTabSheet *page);
    void movePage(TTabSheet *page, int index);
    void tabsChanged();
    void rebuildTabs();
    void followActivePage();

    // Activation
    void changeTabIndex(int index, bool askFirst);
    bool canChangeTo(int index);
    void showPage(TTabSheet *page);
    void pressed(QMouseEvent *event, bool doubleClick);
    void selectByKey(int key);
    void closeAllPages();
    void showTabMenu();
    void scrollBy(int step);

    // Layout
    int textHeight() const;
    int tabHeight() const { return textHeight() + 6; }
    int rowHeight() const { return tabHeight() + 2; }
    int buttonSize() const { return textHeight() + 4; }
    QFont tabFont(bool active) const;
    int tabImageWidth(const Tab &tab) const;
    int measureTab(const Tab &tab) const;
    int rowRight(bool withScroller) const;
    bool overflows() const;
    int lastFullyShown(int first) const;
    void normaliseFirstShown();
    void scrollIntoView(int index);
    void requestLayout();
    void relayout();
    void layoutTabs();
    void placeButtons();
    void placePageArea();
    void setHotTab(int index);
    QIcon tabIcon(const Tab &tab) const;
    void drawTab(QPainter &painter, int index) const;

    QList<TTabSheet *> m_pages;
    QList<Tab> m_tabs;
    TTabSheet *m_activePage = nullptr;
    int m_tabIndex = -1;
    int m_firstShown = 0;
    int m_hotTab = -1;
    bool m_shapesValid = false;
    bool m_keepActiveInView = true; // false while the arrows have scrolled the active tab away
    bool m_destroying = false;

    bool m_showCloseButton = false;
    bool m_showActiveCloseButton = false;
    bool m_showMenuButton = false;
    bool m_boldCurrentTab = false;
    TTabStyle m_tabStyle = tsTabs;
    bool m_sortTabMenu = true;
    bool m_hotTrack = true;
    QList<QIcon> m_images;

    QWidget *m_pageArea = nullptr;
    TTabScroller *m_scroller = nullptr;
    // Created when their setting is first switched on.
    TTabStripButton *m_closeButton = nullptr;
    TTabStripButton *m_activeCloseButton = nullptr;
    TTabStripButton *m_menuButton = nullptr;
};
