// The main window's answers to its browser views' events, and the toolbar state.
#include "U_Main.h"

#include "TBrowserView.h"
#include "TPageControl.h"
#include "TProgressPane.h"
#include "TShopTeacher.h"
#include "TTabSheetEx.h"
#include "TabTextRules.h"

#include <QLabel>
#include <QToolButton>

void TFrm_Main::UpdateNavButtons()
{
    if (m_closing || m_tabClosing)
        return;
    TTabSheetEx *t = ActiveTab();
    if (!t)
        return;
    // "Can take the focus": the tab and everything up to the window is visible and enabled;
    // the window's own state is not looked at.
    QWidget *form = t->window();
    BtnRfsh->setEnabled(form != t && t->isVisibleTo(form) && t->isEnabledTo(form));
    btnForward->setEnabled(t->CanGoForward);
    btnBack->setEnabled(t->CanGoBack);
    // The view's Busy read now, not the tab's recorded state: a load that was just issued shows
    // the button enabled before any command -1 has arrived.
    btnStop->setEnabled(t->Browser && t->Browser->Busy());
    BtnOptn->setEnabled(BtnRfsh->isEnabled());
}

TTabSheetEx *TFrm_Main::listeningTab(QObject *view, EventScope scope) const
{
    if (m_closing || m_tabClosing)
        return nullptr;
    TTabSheetEx *tab = tabOf(view);
    return tab && (scope == AnyTab || tab == ActiveTab()) ? tab : nullptr;
}

void TFrm_Main::BrowserStatusTextChange(QObject *ASender, const QString &Text)
{
    if (!listeningTab(ASender, ActiveTabOnly))
        return;
    sBarStus->setText(StatusPaneText(Text));
}

void TFrm_Main::BrowserProgressChange(QObject *ASender, int Progress, int ProgressMax)
{
    if (!listeningTab(ASender, ActiveTabOnly))
        return;
    // The difference of two 32-bit counts, wrapping as 32-bit arithmetic does.
    const auto remaining = static_cast<qint32>(static_cast<quint32>(ProgressMax) - static_cast<quint32>(Progress));
    if (remaining > 2) {
        if (pBar->isHidden())
            pBar->show();
        pBar->SetTotalParts(ProgressMax);
        pBar->SetPartsComplete(Progress);
    } else {
        pBar->hide();
    }
}

void TFrm_Main::BrowserCommandStateChange(QObject *ASender, int Command, bool Enable)
{
    TTabSheetEx *t = listeningTab(ASender, AnyTab);
    if (!t)
        return;
    switch (Command) {
    case -1: t->IsBusy = t->Browser->Busy(); break;
    case 1: t->CanGoForward = Enable; break;
    case 2: t->CanGoBack = Enable; break;
    default: break;
    }
}

void TFrm_Main::BrowserDownloadComplete(QObject *ASender)
{
    if (listeningTab(ASender, ActiveTabOnly))
        UpdateNavButtons();
}

void TFrm_Main::BrowserTitleChange(QObject *ASender, const QString &Text)
{
    TTabSheetEx *tab = listeningTab(ASender, AnyTab);
    if (!tab)
        return;
    tab->SetCaption(TabCaptionFromTitle(Text));
    tab->SetHint(Text);
}

void TFrm_Main::BrowserNewWindow2(QObject *ASender, TBrowserHost *&ppDisp, bool &Cancel)
{
    Q_UNUSED(Cancel);
    // Nothing opens for a page whose tab is going away, nor after the close request.
    TTabSheetEx *requester = tabOf(ASender);
    if (m_closing || !requester)
        return;
    // The tab of the most recent OpenInTab gives the address; once that tab is closed, the tab
    // that asks for the window stands in for it.
    TTabSheetEx *source = m_lastTab ? m_lastTab.data() : requester;
    // The asking tab is never the one used: its page cannot become its own window.
    OpenInTab(source->Browser->LocationURL(), requester);
    TTabSheetEx *used = m_lastTab;
    if (!used)
        return;
    PageControl1->SetActivePage(used);
    ppDisp = used->Browser->Application();
}

void TFrm_Main::BrowserNavigateComplete2(QObject *ASender, QObject *pDisp, QVariant &URL)
{
    Q_UNUSED(ASender);
    Q_UNUSED(pDisp);
    Q_UNUSED(URL);
}

void TFrm_Main::BrowserShowContextMenu(QObject *Sender, const QPoint &Pos, int &Result)
{
    Result = 0; // handled: no context menu in any page but a compared shop's results page
    if (listeningTab(Sender, ActiveTabOnly))
        m_shopTeacher->PageMenu(Sender, Pos);
}

void TFrm_Main::BrowserScriptError(QObject *Sender, TScriptErrorAction &ScriptErrorAction)
{
    Q_UNUSED(Sender);
    ScriptErrorAction = eaContinue; // scripts keep running, no dialog
}

void TFrm_Main::BrowserPopupBlocked(QObject *ASender, const QString &URL)
{
    Q_UNUSED(URL);
    if (listeningTab(ASender, ActiveTabOnly))
        sBarStus->setText(QStringLiteral("已阻止弹出窗口"));
}

void TFrm_Main::BrowserWindowClosing(QObject *ASender)
{
    // Closed as the user closes a tab; the last one returns to the start page.
    TTabSheetEx *tab = tabOf(ASender);
    if (m_closing || !tab)
        return;
    CloseTabAt(tab->PageIndex());
}
