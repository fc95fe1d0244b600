#pragma once

#include "TErrorPages.h"

#include <QPointer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWidget>

#include <functional>
#include <stdexcept>

class QWebEngineFullScreenRequest;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEngineView;
class TBrowserPage;

// A failure of the browser view that its caller should report; what() is UTF-8 text.
class TBrowserError : public std::runtime_error
{
public:
    explicit TBrowserError(const QString &message);
};

// How far the current document has come; the wait for a document looks for rsComplete.
enum TReadyState { rsUninitialized = 0, rsLoading = 1, rsLoaded = 2, rsInteractive = 3, rsComplete = 4 };

// The web engine as a window control: hosts a QWebEngineView and its page, reports what the
// engine does through the events below, and hands the engine's call-backs to virtual methods
// whose defaults are the engine's own behaviour.
//
// The engine objects are created on first need, so a view that never shows a page costs
// nothing; a view's first page waits for its turn in the load queue (TLoadQueue), where the
// engine is created. Every event handler may destroy the view; nothing here touches it afterwards.
class TBrowserHost : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString LocationURL READ LocationURL NOTIFY locationURLChanged)
    Q_PROPERTY(bool Busy READ Busy NOTIFY busyChanged)
    Q_PROPERTY(int ReadyState READ ReadyState NOTIFY busyChanged)

public:
    // Command numbers of OnCommandStateChange.
    enum : int { CommandUpdate = -1, CommandForward = 1, CommandBack = 2 };

    explicit TBrowserHost(QWidget *parent = nullptr);
    ~TBrowserHost() override;

    // What a new-window answer hands back so that the new window's content opens here.
    TBrowserHost *Application() { return this; }
    // The page that holds the current document; null before the first navigation.
    QWebEnginePage *Document() const;
    bool HasDocument() const { return m_hasDocument; }
    // Address of the current document, percent-encoded as it went on the wire; "about:blank"
    // for a document handed over as text, empty before the first navigation.
    QString LocationURL() const;
    // From the moment a navigation is issued until the engine ends it.
    bool Busy() const { return m_busy; }
    // The first page waits in the load queue for its turn; Busy and LocationURL already speak
    // of it, as of a load the engine has not started yet.
    bool LoadQueued() const { return m_queuedUrl.isValid(); }
    TReadyState ReadyState() const;

    // One of the program's notice pages (a failed load, a crash) stands in for the document.
    bool ShowsNotice() const { return m_retryUrl.isValid(); }

    bool HasEngine() const { return m_view != nullptr; }
    QWebEngineView *EngineView() const { return m_view; }
    // The page has been shown full screen at its own request; Esc or the page ends it.
    bool IsFullScreen() const { return m_fullScreen != nullptr; }
    // The window that shows the page full screen; null otherwise.
    QWidget *FullScreenWindow() const { return m_fullScreen; }

    // While held, the page loads no pictures: for a tab the user has not seen yet, so that its
    // pictures do not compete with the pages on screen. Letting them go loads the pictures the
    // page held back, without loading the page again.
    void HoldPictures(bool hold);
    bool PicturesHeld() const { return m_picturesHeld; }

    // Destroys the current page with its renderer, its history and whatever its scripts are
    // doing; the next document starts on a fresh page. A page stuck in a script goes with it.
    void DiscardDocument();

    // Events. A handler may do anything, including destroying this view.
    std::function<void(QObject *ASender, const QString &Text)> OnStatusTextChange;
    std::function<void(QObject *ASender, int Progress, int ProgressMax)> OnProgressChange;
    std::function<void(QObject *ASender, int Command, bool Enable)> OnCommandStateChange;
    std::function<void(QObject *ASender)> OnDownloadComplete;
    std::function<void(QObject *ASender, const QString &Text)> OnTitleChange;
    // The user asked a page for a new window (a click on a link to a new window, or a script the
    // click ran). Set ppDisp to another view's Application() to open the window there; the
    // engine then loads it under its rules for what pages may open. Without another view
    // nothing opens.
    std::function<void(QObject *ASender, TBrowserHost *&ppDisp, bool &Cancel)> OnNewWindow2;
    std::function<void(QObject *ASender, QObject *pDisp, QVariant &URL)> OnNavigateComplete2;
    // A page tried to open a window without the user's click and was refused; URL is what it
    // asked for. A refusal while the page loads is reported when the load is over, after the
    // load's own reports.
    std::function<void(QObject *ASender, const QString &URL)> OnPopupBlocked;
    // A page that another page opened asks to close its window (window.close()). Other pages'
    // requests are ignored, as browsers do.
    std::function<void(QObject *ASender)> OnWindowClosing;
    // A page asks to use a feature (location, camera, microphone, notifications, ...). The
    // handler answers through Page->setFeaturePermission(), now or later; unbound, the request
    // is refused.
    std::function<void(QObject *ASender, QWebEnginePage *Page, const QUrl &SecurityOrigin,
                       QWebEnginePage::Feature Feature)>
            OnPermissionRequest;

signals:
    void busyChanged(bool busy);
    void locationURLChanged();

protected:
    // The engine view, created on first call; null only while this view is being destroyed.
    QWebEngineView *Engine();
    // Deletes the engine objects; the first thing a destructor down the chain does.
    void ReleaseEngine();

    // Navigates to `url`. Without an engine the load waits for its turn in the load queue,
    // unless `now`.
    void LoadUrl(const QUrl &url, bool now);
    // Starts a load that waits in the queue at once: someone waits for its document.
    void LoadQueuedNow();
    // Bookkeeping for operations that start a navigation: Busy from now on. A load still
    // waiting in the queue is dropped: the newer navigation replaces it.
    void NavigationIssued();
    // A stop: ends the busy state of a navigation the engine has not started yet, queued or not.
    void NavigationStopped();
    // Reloads the document, or retries the address of an error page or a crash notice.
    void ReloadDocument();
    // Shows `html` (GBK bytes) as a document whose address reads "about:blank".
    void ShowDocumentBytes(const QByteArray &html);

    // Call-backs of the engine. The defaults do what the engine does on its own.
    virtual void EngineCreated(QWebEngineView *view);
    virtual void DocumentLoadStarted();
    virtual void ContextMenuRequested(const QPoint &pos);
    virtual void JavaScriptAlert(const QUrl &securityOrigin, const QString &msg);
    virtual bool JavaScriptConfirm(const QUrl &securityOrigin, const QString &msg);
    virtual bool JavaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                                  QString *result);
    virtual void JavaScriptConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level,
                                          const QString &message, int lineNumber, const QString &sourceID);

    void showEvent(QShowEvent *event) override;

    // Calls an event handler if one is bound. False when the handler destroyed this view: the
    // caller must then return without touching any member.
    template <typename Event, typename... Args>
    bool Raise(const Event &event, Args &&...args)
    {
        if (!event)
            return true;
        QPointer<TBrowserHost> alive(this);
        const Event handler = event; // the handler may replace or destroy the member
        handler(std::forward<Args>(args)...);
        return !alive.isNull();
    }

    bool m_destroying = false; // set first thing in destruction: ends every wait

private:
    friend class TBrowserPage;
    friend class TLoadQueue;

    // Called by the load queue when this view's turn has come.
    void startQueuedLoad();
    void cancelQueuedLoad();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onUrlChanged(const QUrl &url);
    void onTitleChanged(const QString &title);
    bool raiseTitleChange(const QString &title);
    // The title the engine makes up for a document handed over as text before it names itself.
    bool isStandInTitle(const QString &title) const;
    void onLinkHovered(const QString &url);
    void onNavigationActionChanged(int command);
    void onNewWindowRequested(QWebEngineNewWindowRequest &request);
    void popupBlocked(const QUrl &url);
    void onFullScreenRequested(QWebEngineFullScreenRequest request);
    void leaveFullScreen();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void recoverFromCrash();
    // The crash notice's "重新加载" link: the user asks for the page again.
    bool isNoticeLink(QWebEnginePage::NavigationType type, bool isMainFrame) const;
    void finishLoad();
    // Shows one of the program's notice pages (TErrorPages) at `address`.
    void showNoticePage(const QString &title, const QString &message, const QUrl &address);
    void showFailurePage();
    void setBusy(bool busy);
    void keepAwakeWhileBusy();
    // An address as the program shows it: documents handed over as text read "about:blank".
    QString shownAddress(const QUrl &url) const;

    QWebEngineView *m_view = nullptr;
    TBrowserPage *m_page = nullptr;
    bool m_picturesHeld = false;
    QPointer<QWebEnginePage> m_keptAwake; // held awake while this host is busy
    QUrl m_queuedUrl; // the load waiting in the queue
    bool m_hasDocument = false;
    bool m_busy = false;
    bool m_awaitingStart = false; // issued, and the engine has not reported the load yet
    bool m_loadRunning = false;   // between the engine's load start and load end
    bool m_textDocumentIssued = false;
    QString m_heldTitle; // the engine's stand-in title of a text document that is still loading
    int m_lastProgress = -1;
    bool m_canGoBack = false;
    bool m_canGoForward = false;
    QString m_hoveredLink;
    QString m_loadingText; // the status text of the running load
    QString m_blockedPopup;      // refused while the page loaded; reported when it has
    bool m_openedByPage = false; // the page came from another page's request for a window
    bool m_crashReloaded = false; // reloaded after a crash since the user last navigated
    QUrl m_retryUrl; // set while an error page or the crash notice is shown
    bool m_noticeLoading = false;
    struct FailedLoad
    {
        QUrl address;
        TLoadFailure description;
    } m_failure; // of the load that is ending
    QWidget *m_fullScreen = nullptr;
};
