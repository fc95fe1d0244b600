// What a page asks of its host: its context menu, script dialogs, new windows, full screen.
#include "TBrowserHost.h"

#include "TBrowserPage.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineView>

namespace {
// A page shown full screen at its own request. Esc, or closing the window, asks the page to
// leave full screen; the page's answer puts the view back into its tab.
class TFullScreenWindow : public QWidget
{
public:
    TFullScreenWindow(QWidget *owner, QWebEngineView *view) : QWidget(owner, Qt::Window), m_view(view)
    {
        setWindowTitle(owner->window()->windowTitle());
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        auto *leave = new QAction(this);
        leave->setShortcut(Qt::Key_Escape);
        connect(leave, &QAction::triggered, this, &TFullScreenWindow::AskToLeave);
        addAction(leave);
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        AskToLeave();
    }

private:
    void AskToLeave()
    {
        if (m_view && m_view->page())
            m_view->page()->triggerAction(QWebEnginePage::ExitFullScreen);
    }
    QPointer<QWebEngineView> m_view;
};
} // namespace

void TBrowserHost::ContextMenuRequested(const QPoint &pos)
{
    if (!m_view)
        return;
    QMenu *menu = m_view->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_view->mapToGlobal(pos));
}

void TBrowserHost::JavaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    m_page->engineAlert(securityOrigin, msg);
}

bool TBrowserHost::JavaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    return m_page->engineConfirm(securityOrigin, msg);
}

bool TBrowserHost::JavaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                                    QString *result)
{
    return m_page->enginePrompt(securityOrigin, msg, defaultValue, result);
}

void TBrowserHost::JavaScriptConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel, const QString &, int,
                                            const QString &)
{
}

void TBrowserHost::onNewWindowRequested(QWebEngineNewWindowRequest &request)
{
    // The engine has refused windows without the user's click already (see Engine()); any that
    // still arrives is refused here. One click opens one window: the engine counts it as used.
    if (!request.isUserInitiated()) {
        popupBlocked(request.requestedUrl());
        return;
    }
    TBrowserHost *target = nullptr;
    bool cancel = false;
    if (!Raise(OnNewWindow2, this, target, cancel) || cancel)
        return;
    // The request stays the page's: the engine loads it under its rules for what a page may
    // open (no data: document at the top, for one). Loading the address as the program's own
    // would lift them. A page cannot adopt its own window, so without another view nothing opens.
    if (!target || target == this || !target->Engine())
        return;
    target->NavigationIssued();
    target->m_openedByPage = true;
    request.openIn(target->m_page);
}

void TBrowserHost::popupBlocked(const QUrl &url)
{
    const QString address = shownAddress(url);
    // The load's own reports ("完成") would cover the news at once.
    if (m_busy) {
        m_blockedPopup = address.isEmpty() ? QStringLiteral("about:blank") : address;
        return;
    }
    Raise(OnPopupBlocked, this, address);
}

void TBrowserHost::onFullScreenRequested(QWebEngineFullScreenRequest request)
{
    if (!m_view) {
        request.reject();
        return;
    }
    request.accept();
    if (!request.toggleOn()) {
        leaveFullScreen();
        return;
    }
    if (IsFullScreen())
        return;
    m_fullScreen = new TFullScreenWindow(this, m_view);
    // The whole screen also where no window manager answers the request for full screen.
    if (QScreen *screen = window()->screen())
        m_fullScreen->setGeometry(screen->geometry());
    m_fullScreen->showFullScreen();
    m_fullScreen->activateWindow();
    m_view->setFocus(Qt::OtherFocusReason);
}

void TBrowserHost::leaveFullScreen()
{
    QWidget *fullScreen = std::exchange(m_fullScreen, nullptr);
    if (!fullScreen)
        return;
    layout()->addWidget(m_view);
    m_view->show();
    fullScreen->hide();
    fullScreen->deleteLater();
    if (isVisible())
        m_view->setFocus(Qt::OtherFocusReason);
}
