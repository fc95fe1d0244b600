#pragma once

#include "TBrowserView.h"
#include "TTabSheetEx.h"

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QWidget>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolButton;
class TDownloadManager;
class TFindBar;
class TMainKeys;
class TProgressPane;
class TPriceComparison;
class TPriceTablePane;
class THistoryKeeper;
class TShopTeacher;
class TSitePermissions;

// The program's one main window: shop box, keyword box and compare button on top, the guide
// buttons on the left, the popular-shop row and navigation toolbar above the browser tabs, and
// the status bar with status text, progress and the shopping clock.
class TFrm_Main : public QWidget
{
    Q_OBJECT
public:
    explicit TFrm_Main(QWidget *parent = nullptr);
    ~TFrm_Main() override;

    // The clock pane's text for `now`, the window having been shown at `start`.
    static QString ClockText(const QDateTime &now, const QDateTime &start, const QString &title);
    // The program's about text, shown by a click on the logo.
    static QString AboutText();

    QDateTime StartTime() const { return m_startTime; }
    bool IsClosing() const { return m_closing; }

    // Controls, named as the program refers to them.
    QFrame *pTop = nullptr;
    QLabel *ImgLogo = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *EdtWD = nullptr;
    QToolButton *BtnWD = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *cbKeyWord = nullptr;
    QToolButton *btnGo = nullptr;
    QFrame *pTop2 = nullptr;
    QFrame *pNav = nullptr;
    QFrame *pNav2 = nullptr;
    QFrame *pMain = nullptr;
    QFrame *sBToolBar = nullptr;
    QWidget *ToolBar1 = nullptr;
    QToolButton *btnBack = nullptr;
    QToolButton *btnStop = nullptr;
    QToolButton *btnForward = nullptr;
    QToolButton *BtnRfsh = nullptr;
    QToolButton *BtnOptn = nullptr;
    TFindBar *FindBar1 = nullptr; // find in the active tab's page, below the toolbar
    TPageControl *PageControl1 = nullptr;
    QWidget *sBar = nullptr;
    QLabel *sBarStus = nullptr;
    TProgressPane *pBar = nullptr;
    QLabel *sBarStus2 = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *pmRopt = nullptr;

    void FormCreate();
    void FormShow();
    void ImgLogoClick();
    void Timer1Timer();

    // Tabs (MainTabs.cpp). OpenInTab is the one way any address is shown;
    // "about:blank" means the start page. `Keep` is never reused: the tab whose page asks for
    // a new window.
    void OpenInTab(const QString &Address, const TTabSheetEx *Keep = nullptr);
    void ShowDefaultPage(TBrowserView *Browser);
    // Opens `Address` in a new tab behind the active one, which stays active: for work the user
    // did not ask for at that moment (checking watched products). CloseBackgroundTab closes such
    // a tab again, unless the user is looking at it.
    TTabSheetEx *OpenInBackgroundTab(const QString &Address);
    void CloseBackgroundTab(TTabSheetEx *Tab);
    void OpenStartTab();
    void CloseTabAt(int Index);
    void PageControl1Close(QObject *Sender, bool &AllowClose);
    void PageControl1MouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                               bool DoubleClick, int X, int Y);
    void PageControl1Change(QObject *Sender);
    // The tab the most recent OpenInTab used; null once that tab is closed.
    TTabSheetEx *LastTab() const { return m_lastTab; }
    TTabSheetEx *ActiveTab() const;
    bool IsTabClosing() const { return m_tabClosing; }

    // Browser events (MainBrowserEvents.cpp).
    void UpdateNavButtons();
    void BrowserStatusTextChange(QObject *ASender, const QString &Text);
    void BrowserProgressChange(QObject *ASender, int Progress, int ProgressMax);
    void BrowserCommandStateChange(QObject *ASender, int Command, bool Enable);
    void BrowserDownloadComplete(QObject *ASender);
    void BrowserTitleChange(QObject *ASender, const QString &Text);
    void BrowserNewWindow2(QObject *ASender, TBrowserHost *&ppDisp, bool &Cancel);
    void BrowserNavigateComplete2(QObject *ASender, QObject *pDisp, QVariant &URL);
    void BrowserShowContextMenu(QObject *Sender, const QPoint &Pos, int &Result);
    void BrowserScriptError(QObject *Sender, TScriptErrorAction &ScriptErrorAction);
    void BrowserPopupBlocked(QObject *ASender, const QString &URL);
    void BrowserWindowClosing(QObject *ASender);

    // The pages' downloads.
    TDownloadManager *Downloads() const { return m_downloads; }

    // Navigation and page commands (MainPageCommands.cpp).
    void btnBackClick();
    void btnForwardClick();
    void btnStopClick();
    void BtnRfshClick();
    void BtnOptnClick();
    void pmSaveClick();
    void pmPageSettingClick();
    void pmPrintClick();
    QAction *pmSave = nullptr;
    QAction *N2 = nullptr;
    QAction *pmPageSetting = nullptr;
    QAction *pmPrint = nullptr;

    // Shop selection and the comparison search (MainSearch.cpp).
    void BtnWDClick();
    void btnGoClick();
    // Adds the keyword to the history and writes kd.db; true only when the file now holds the
    // whole list. The search goes on either way.
    bool AddKeywordHistory();
    void cbKeyWordKeyDown(int Key, Qt::KeyboardModifiers Shift);
    QString Keyword() const; // the keyword box's text, trimmed of blanks and control characters
    // kd.db next to the executable, or in the user's data folder when the program may not write
    // there (see HistoryFolder); empty when neither can be had. Tests may point it elsewhere.
    QString HistoryFilePath() const;
    void SetHistoryFilePath(const QString &path) { m_historyFilePath = path; }

    // The user's shops and shop sets (MainShops.cpp).
    void pmShopsClick();
    void pmSaveShopSetClick();
    void RecallShopSet(const QString &name);
    QAction *pmShops = nullptr;
    QAction *pmSaveShopSet = nullptr;
    QMenu *pmShopSets = nullptr;
    // The price table of the comparison (MainPrices.cpp): hidden until the first offers of a
    // comparison arrive; btnPrices, with the offer count, shows and hides it from then on.
    TPriceTablePane *pPrices = nullptr;
    QToolButton *btnPrices = nullptr;
    TPriceComparison *PriceComparison() const { return m_priceComparison; }
    // Teaching the program a shop's results page: "教我读这个网店…" and "恢复默认读取".
    TShopTeacher *ShopTeacher() const { return m_shopTeacher; }
    // The price history, the watched products and their checks.
    THistoryKeeper *HistoryKeeper() const { return m_historyKeeper; }

    // Link buttons (MainLinkButtons.cpp).
    void CreateGuideButtons();
    void CreateTopShopButtons();
    void BtnHot1Click(QObject *Sender);
    void BtnHot1MouseEnter(QObject *Sender);
    void BtnHot1MouseLeave(QObject *Sender);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    bool FormCloseQuery();
    void createPageCommands();
    void createShopCommands();
    void createPriceTable();
    void pricesOfferCountChanged(int count);
    void placePricesButton();
    void bindBrowserEvents(TBrowserView *view);
    // A browser view set up as every tab's is, not yet shown.
    TBrowserView *newBrowserView(QWidget *parent);
    TTabSheetEx *newTab(TBrowserView *view); // bound to the window, not shown yet
    void endTabClose();
    // The tab that holds the view that raised an event; null while that tab is being destroyed.
    TTabSheetEx *tabOf(QObject *view) const;
    enum EventScope { AnyTab, ActiveTabOnly };
    // The window's one rule for its views' events: the tab of `view` when the window acts on
    // the event, null when it does not (while the window or a tab closes, and for an event that
    // concerns the active tab only, when the view's tab is another).
    TTabSheetEx *listeningTab(QObject *view, EventScope scope) const;

    QDateTime m_startTime;
    QPointer<TTabSheetEx> m_lastTab;
    // The start page's view, made and loading before the rest of the window; the start tab
    // takes it.
    TBrowserView *m_startView = nullptr;
    TMainKeys *m_keys = nullptr;
    TDownloadManager *m_downloads = nullptr;
    TSitePermissions *m_permissions = nullptr;
    QList<QToolButton *> m_guideButtons;
    QString m_historyFilePath;
    TPriceComparison *m_priceComparison = nullptr;
    TShopTeacher *m_shopTeacher = nullptr;
    THistoryKeeper *m_historyKeeper = nullptr;
    bool m_pricesAppeared = false; // the current comparison's table has been shown
    bool m_shown = false;
    bool m_closing = false;
    bool m_tabClosing = false;
    bool m_openingComparison = false; // btnGoClick is opening the comparison's tabs
};

// Sets a control's hint: its tool tip and the text the status pane shows while the pointer
// rests on it.
void SetHint(QWidget *control, const QString &hint);
