// The main window's tabs: opening addresses in a reused or a new tab, the start page, closing.
#include "U_Main.h"

#include "TBrowserView.h"
#include "TPageControl.h"
#include "TSitePermissions.h"
#include "TProgressPane.h"
#include "TTabSheetEx.h"
#include "TabTextRules.h"
#include "U_Pub.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

TTabSheetEx *TFrm_Main::ActiveTab() const
{
    return qobject_cast<TTabSheetEx *>(PageControl1->ActivePage());
}

TTabSheetEx *TFrm_Main::tabOf(QObject *view) const
{
    auto *browser = qobject_cast<TBrowserView *>(view);
    if (!browser)
        return nullptr;
    auto *tab = qobject_cast<TTabSheetEx *>(browser->parentWidget());
    return tab && tab->Browser == browser ? tab : nullptr;
}

void TFrm_Main::OpenInTab(const QString &Address, const TTabSheetEx *Keep)
{
    bool reuse = false;
    if (TTabSheetEx *active = ActiveTab()) {
        m_lastTab = active;
        const QString caption = active->Caption();
        if (active != Keep && IsReusableCaption(caption)) {
            active->SetCaption(kLoadingCaption);
            reuse = true;
        }
    }
    // The first tab gets the start page's view, which has been loading since the window began.
    TBrowserView *started = reuse ? nullptr : std::exchange(m_startView, nullptr);
    if (!reuse) {
        m_lastTab = newTab(started);
        PageControl1->SetActivePage(m_lastTab);
        m_lastTab->Browser->show();
    }
    TTabSheetEx *tab = m_lastTab;
    tab->SetHint(tab->Caption());
    if (started && Address == QLatin1String("about:blank")) {
        // Its load was issued before the tab listened: the tab takes over where it stands.
        tab->SetCaption(kDefaultCaption);
        tab->SetHint(kDefaultCaption);
        tab->IsBusy = started->Busy();
    } else if (Address == QLatin1String("about:blank"))
        ShowDefaultPage(tab->Browser);
    else {
        // A comparison's tabs load their pictures once the user looks at them.
        tab->Browser->HoldPictures(m_openingComparison);
        tab->Browser->Navigate(Address, 0);
    }
}

TTabSheetEx *TFrm_Main::newTab(TBrowserView *view)
{
    auto *tab = new TTabSheetEx(PageControl1);
    tab->Browser = view ? view : newBrowserView(tab);
    tab->Browser->setParent(tab);
    tab->SetCaption(kLoadingCaption);
    tab->SetShowHint(true);
    auto *fill = new QVBoxLayout(tab);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(tab->Browser);
    bindBrowserEvents(tab->Browser);
    return tab;
}

TTabSheetEx *TFrm_Main::OpenInBackgroundTab(const QString &Address)
{
    TTabSheetEx *tab = newTab(nullptr);
    tab->SetHint(tab->Caption());
    tab->Browser->HoldPictures(true); // until the user turns to it
    tab->Browser->Navigate(Address, 0);
    return tab;
}

void TFrm_Main::CloseBackgroundTab(TTabSheetEx *Tab)
{
    // A tab the user has turned to is his now: it stays.
    if (!Tab || Tab == ActiveTab() || PageControl1->PageCount() <= 1)
        return;
    m_tabClosing = true;
    delete Tab;
    endTabClose();
}

TBrowserView *TFrm_Main::newBrowserView(QWidget *parent)
{
    auto *view = new TBrowserView(parent);
    view->InitializeView();
    view->Silent = true;
    view->DisableErrors.fpExceptions = false;
    view->DisableErrors.ScriptErrorsSuppressed = true;
    return view;
}

void TFrm_Main::bindBrowserEvents(TBrowserView *view)
{
    view->OnStatusTextChange = [this](QObject *s, const QString &t) { BrowserStatusTextChange(s, t); };
    view->OnNewWindow2 = [this](QObject *s, TBrowserHost *&pp, bool &c) { BrowserNewWindow2(s, pp, c); };
    view->OnTitleChange = [this](QObject *s, const QString &t) { BrowserTitleChange(s, t); };
    view->OnNavigateComplete2 = [this](QObject *s, QObject *d, QVariant &u) { BrowserNavigateComplete2(s, d, u); };
    view->OnDownloadComplete = [this](QObject *s) { BrowserDownloadComplete(s); };
    view->OnCommandStateChange = [this](QObject *s, int c, bool e) { BrowserCommandStateChange(s, c, e); };
    view->OnScriptError = [this](QObject *s, const QString &, const QString &, const QString &, const QString &,
                                 const QString &, TScriptErrorAction &a) { BrowserScriptError(s, a); };
    view->OnProgressChange = [this](QObject *s, int p, int m) { BrowserProgressChange(s, p, m); };
    view->OnShowContextMenu = [this](QObject *s, quint32, const QPoint &p, QObject *, QObject *, int &r) {
        BrowserShowContextMenu(s, p, r);
    };
    // The engine reports the end of a load once, at the very end, so Stop follows the view's
    // busy state itself: it is lit for the whole of every load of the active tab. The other
    // buttons keep their rules (a pressed navigation button stays off until the load ends).
    connect(view, &TBrowserHost::busyChanged, this, [this, view](bool busy) {
        if (listeningTab(view, ActiveTabOnly))
            btnStop->setEnabled(busy);
    });
    view->OnPopupBlocked = [this](QObject *s, const QString &u) { BrowserPopupBlocked(s, u); };
    view->OnWindowClosing = [this](QObject *s) { BrowserWindowClosing(s); };
    view->OnPermissionRequest = [this](QObject *, QWebEnginePage *page, const QUrl &origin,
                                       QWebEnginePage::Feature feature) {
        m_permissions->Request(page, origin, feature);
    };
}

void TFrm_Main::ShowDefaultPage(TBrowserView *Browser)
{
    TTextList page;
    page.setText(LoadTextResource(QStringLiteral("init_htm"), QStringLiteral("htm")));
    // The page shown until now goes, with its renderer: one stuck in a script would otherwise
    // stay on screen behind the start page.
    Browser->DiscardDocument();
    Browser->LoadFromStrings(page);
    if (auto *tab = qobject_cast<TTabSheetEx *>(Browser->parentWidget())) {
        tab->SetCaption(kDefaultCaption);
        tab->SetHint(kDefaultCaption);
    }
}

void TFrm_Main::OpenStartTab()
{
    OpenInTab(QStringLiteral("about:blank"));
    UpdateNavButtons();
}

void TFrm_Main::PageControl1Close(QObject *Sender, bool &AllowClose)
{
    Q_UNUSED(Sender);
    m_tabClosing = true;
    AllowClose = PageControl1->PageCount() > 1;
    if (!AllowClose) {
        if (TTabSheetEx *tab = ActiveTab())
            ShowDefaultPage(tab->Browser);
    }
    // The strip destroys the tab and chooses the next one once this returns; the flag comes
    // down after that, when the close has finished.
    QMetaObject::invokeMethod(this, &TFrm_Main::endTabClose, Qt::QueuedConnection);
}

void TFrm_Main::PageControl1MouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                      bool DoubleClick, int X, int Y)
{
    Q_UNUSED(Sender);
    Q_UNUSED(Shift);
    const int i = PageControl1->TabAtPoint(X, Y);
    if (i < 0)
        return;
    if (Button == Qt::RightButton || (Button == Qt::LeftButton && DoubleClick))
        CloseTabAt(i);
}

void TFrm_Main::CloseTabAt(int Index)
{
    if (PageControl1->PageCount() <= 1) {
        if (auto *tab = qobject_cast<TTabSheetEx *>(PageControl1->PageAt(Index)))
            ShowDefaultPage(tab->Browser);
        return;
    }
    m_tabClosing = true;
    delete PageControl1->PageAt(Index);
    PageControl1->SelectAdjacentPage(false);
    endTabClose();
}

void TFrm_Main::endTabClose()
{
    if (!m_tabClosing)
        return;
    // The tab and its view are gone and the next tab is chosen: the handlers may act again, and
    // the buttons show the tab that is now active.
    m_tabClosing = false;
    UpdateNavButtons();
}

void TFrm_Main::PageControl1Change(QObject *Sender)
{
    Q_UNUSED(Sender);
    // The page the user turns to shows its pictures; a comparison opening its tabs passes
    // through them without the user seeing them.
    if (!m_openingComparison && ActiveTab())
        ActiveTab()->Browser->HoldPictures(false);
    UpdateNavButtons();
    pBar->hide();
    sBarStus->clear();
}
