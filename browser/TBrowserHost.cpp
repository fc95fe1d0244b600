#include "TBrowserHost.h"

#include "TBrowserPage.h"
#include "TDocumentScheme.h"
#include "TErrorPages.h"
#include "TLoadQueue.h"
#include "TPageLifecycle.h"

#include <QAction>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
// Chromium refuses data: addresses longer than this (url::kMaxURLChars); the margin covers
// the media type in front of the data.
constexpr qsizetype kMaxDataUrl = 2 * 1024 * 1024 - 4096;
const QString kAboutBlank = QStringLiteral("about:blank");

// The length of `data` percent-encoded as QByteArray::toPercentEncoding() does it.
qsizetype PercentEncodedSize(const QByteArray &data)
{
    qsizetype size = 0;
    for (const char c : data) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '-' || c == '.' || c == '_' || c == '~';
        size += unreserved ? 1 : 3;
    }
    return size;
}
} // namespace

TBrowserError::TBrowserError(const QString &message) : std::runtime_error(message.toStdString()) { }

TBrowserHost::TBrowserHost(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFocusPolicy(Qt::StrongFocus);
}

TBrowserHost::~TBrowserHost()
{
    m_destroying = true;
    ReleaseEngine();
    if (TLoadQueue *queue = TLoadQueue::Instance())
        queue->Remove(this);
}

void TBrowserHost::HoldPictures(bool hold)
{
    m_picturesHeld = hold;
    if (m_page)
        m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, !hold);
}

QWebEngineView *TBrowserHost::Engine()
{
    if (m_view || m_destroying)
        return m_view;
    m_view = new QWebEngineView(this);
    m_page = new TBrowserPage(this, m_view);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Failed loads get the program's own Chinese page instead (ShowNoticePage).
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // A video may fill the screen when the user asks for it; the page cannot do so on its own.
    m_page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    // No window without the user's click. Refused this way, in the page's renderer, a page that
    // opens hundreds costs the program nothing; the engine's other way made a page for each.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, !m_picturesHeld);
    QWebEngineScript popupWatch;
    popupWatch.setName(QStringLiteral("vanzu-popup-watch"));
    popupWatch.setSourceCode(TBrowserPage::PopupWatchScript());
    popupWatch.setInjectionPoint(QWebEngineScript::DocumentCreation);
    popupWatch.setWorldId(QWebEngineScript::MainWorld);
    popupWatch.setRunsOnSubFrames(true);
    m_page->scripts().insert(popupWatch);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);

    connect(m_view, &QWidget::customContextMenuRequested, this, &TBrowserHost::ContextMenuRequested);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &TBrowserHost::onLoadingChanged);
    connect(m_page, &QWebEnginePage::loadProgress, this, &TBrowserHost::onLoadProgress);
    connect(m_page, &QWebEnginePage::loadFinished, this, &TBrowserHost::onLoadFinished);
    connect(m_page, &QWebEnginePage::urlChanged, this, &TBrowserHost::onUrlChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &TBrowserHost::onTitleChanged);
    connect(m_page, &QWebEnginePage::linkHovered, this, &TBrowserHost::onLinkHovered);
    connect(m_page, &QWebEnginePage::newWindowRequested, this, &TBrowserHost::onNewWindowRequested);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &TBrowserHost::onRenderProcessTerminated);
    connect(m_page, &QWebEnginePage::fullScreenRequested, this, &TBrowserHost::onFullScreenRequested);
    // Both are answered once the engine's report is over: the answer may close this view's tab
    // or open a dialog.
    const QPointer<QWebEnginePage> page(m_page);
    connect(
            m_page, &QWebEnginePage::windowCloseRequested, this,
            [this, page] {
                if (page && page == m_page && m_openedByPage)
                    Raise(OnWindowClosing, this);
            },
            Qt::QueuedConnection);
    connect(
            m_page, &QWebEnginePage::featurePermissionRequested, this,
            [this, page](const QUrl &origin, QWebEnginePage::Feature feature) {
                if (!page || page != m_page)
                    return;
                if (OnPermissionRequest)
                    Raise(OnPermissionRequest, this, page.data(), origin, feature);
                else
                    page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            },
            Qt::QueuedConnection);
    connect(m_page->action(QWebEnginePage::Back), &QAction::changed, this,
            [this] { onNavigationActionChanged(CommandBack); });
    connect(m_page->action(QWebEnginePage::Forward), &QAction::changed, this,
            [this] { onNavigationActionChanged(CommandForward); });

    if (TPageLifecycle *lifecycle = TPageLifecycle::Instance())
        lifecycle->Track(m_page);
    keepAwakeWhileBusy();
    EngineCreated(m_view);
    return m_view;
}

void TBrowserHost::ReleaseEngine()
{
    if (!m_view)
        return;
    m_page->disconnect(this);
    m_view->disconnect(this);
    QWebEngineView *view = std::exchange(m_view, nullptr);
    QWidget *fullScreen = std::exchange(m_fullScreen, nullptr);
    m_page = nullptr;
    keepAwakeWhileBusy();
    // Hidden now and deleted with the next turn of the event loop (out of a full-screen window,
    // and out of this host, which may be going): the engine's compositor thread may still be
    // handing the view a frame, and an engine view deleted while it does takes the program down.
    // Its page no longer reaches this host.
    view->hide();
    view->setParent(nullptr);
    view->deleteLater(); // and its page
    delete fullScreen;
}

void TBrowserHost::DiscardDocument()
{
    if (!m_view)
        return;
    // Deleted once the event that led here is over: the engine may still be reporting from it.
    ReleaseEngine();

    m_hasDocument = false;
    m_awaitingStart = false;
    m_loadRunning = false;
    m_textDocumentIssued = false;
    m_lastProgress = -1;
    m_hoveredLink.clear();
    m_blockedPopup.clear();
    m_openedByPage = false;
    m_crashReloaded = false;
    m_retryUrl.clear();
    m_noticeLoading = false;
    m_failure = {};
    setBusy(false);
    // A fresh page has no history.
    if (std::exchange(m_canGoBack, false) && !Raise(OnCommandStateChange, this, int(CommandBack), false))
        return;
    if (std::exchange(m_canGoForward, false))
        Raise(OnCommandStateChange, this, int(CommandForward), false);
}

QWebEnginePage *TBrowserHost::Document() const
{
    return m_hasDocument ? m_page : nullptr;
}

QString TBrowserHost::LocationURL() const
{
    if (LoadQueued())
        return shownAddress(m_queuedUrl);
    if (m_textDocumentIssued)
        return kAboutBlank;
    if (!m_view || !m_hasDocument)
        return QString();
    return shownAddress(m_view->url());
}

TReadyState TBrowserHost::ReadyState() const
{
    if (!m_hasDocument)
        return rsUninitialized;
    return m_busy ? rsLoading : rsComplete;
}

QString TBrowserHost::shownAddress(const QUrl &url) const
{
    if (TDocumentScheme::isDocumentUrl(url) || url.scheme() == QLatin1String("data"))
        return kAboutBlank;
    return QString::fromLatin1(url.toEncoded());
}

void TBrowserHost::LoadUrl(const QUrl &url, bool now)
{
    if (m_destroying)
        return;
    NavigationIssued();
    if (!m_view && !now) {
        m_queuedUrl = url;
        emit locationURLChanged();
        TLoadQueue::Instance()->Enqueue(this);
        return;
    }
    if (Engine())
        m_page->load(url);
}

void TBrowserHost::startQueuedLoad()
{
    const QUrl url = std::exchange(m_queuedUrl, QUrl());
    if (url.isValid() && Engine())
        m_page->load(url);
}

void TBrowserHost::LoadQueuedNow()
{
    if (LoadQueued())
        TLoadQueue::Instance()->StartNow(this);
}

void TBrowserHost::cancelQueuedLoad()
{
    if (!LoadQueued())
        return;
    m_queuedUrl.clear();
    TLoadQueue::Instance()->Remove(this);
    emit locationURLChanged();
}

void TBrowserHost::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The user looks at this view now: its page goes before the ones in hidden tabs.
    if (LoadQueued())
        TLoadQueue::Instance()->Promote(this);
}

void TBrowserHost::NavigationIssued()
{
    cancelQueuedLoad();
    m_hasDocument = true;
    m_awaitingStart = true;
    m_textDocumentIssued = false;
    m_heldTitle.clear();
    m_retryUrl.clear();
    m_crashReloaded = false; // a renderer that crashes on this navigation is reloaded once
    m_blockedPopup.clear();
    setBusy(true);
}

void TBrowserHost::NavigationStopped()
{
    cancelQueuedLoad();
    // A navigation that the engine has not started yet ends without any report of its own.
    if (m_awaitingStart && !m_loadRunning) {
        m_awaitingStart = false;
        finishLoad();
    }
}

void TBrowserHost::ReloadDocument()
{
    // A page still waiting in the queue has nothing to reload yet: it loads now instead.
    if (LoadQueued()) {
        LoadQueuedNow();
        return;
    }
    if (!Engine())
        return;
    const QUrl retry = m_retryUrl;
    NavigationIssued();
    if (retry.isValid())
        m_page->load(retry);
    else
        m_page->triggerAction(QWebEnginePage::Reload);
}

void TBrowserHost::ShowDocumentBytes(const QByteArray &html)
{
    if (!Engine())
        return;
    NavigationIssued();
    m_textDocumentIssued = true;
    // Chromium carries setContent() in a data: address; a larger document is served from memory.
    if (PercentEncodedSize(html) <= kMaxDataUrl)
        m_page->setContent(html, QStringLiteral("text/html;charset=GBK"), QUrl(kAboutBlank));
    else
        m_page->load(TDocumentScheme::forProfile(m_page->profile())->addDocument(this, html));
}

void TBrowserHost::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    keepAwakeWhileBusy();
    if (!busy) {
        if (TLoadQueue *queue = TLoadQueue::Instance())
            queue->LoadEnded(this);
    }
    emit busyChanged(busy);
}

// A hidden page is kept awake from the moment a navigation is issued until its end has reached
// this host. The engine recommends sleep for a hidden page as soon as its own load is over,
// which can be a moment before that end is reported here; a page frozen then, or before its
// navigation has really started, would never finish for the program.
void TBrowserHost::keepAwakeWhileBusy()
{
    QWebEnginePage *wanted = m_busy ? m_page : nullptr;
    if (m_keptAwake == wanted)
        return;
    TPageLifecycle *lifecycle = TPageLifecycle::Instance();
    if (m_keptAwake && lifecycle)
        lifecycle->Release(m_keptAwake);
    m_keptAwake = wanted;
    if (wanted && lifecycle)
        lifecycle->Hold(wanted);
}

void TBrowserHost::EngineCreated(QWebEngineView *) { }

void TBrowserHost::DocumentLoadStarted() { }

void TBrowserHost::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
        // Our own documents never get an error page.
        if (m_textDocumentIssued || m_noticeLoading || !ShowsErrorPage(info.errorDomain(), info.errorCode()))
            return;
        m_failure = {info.url(), DescribeLoadFailure(info.errorDomain(), info.errorCode())};
        // The engine may report the failure before or after the end of the load; the error
        // page follows whichever comes last.
        if (!m_loadRunning)
            showFailurePage();
        return;
    }
    if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    m_failure = {};
    m_hasDocument = true;
    m_awaitingStart = false;
    m_loadRunning = true;
    m_lastProgress = -1;
    setBusy(true);
    DocumentLoadStarted();
    m_loadingText = QStringLiteral("正在打开网页 ") + shownAddress(info.url());
    if (!Raise(OnStatusTextChange, this, m_loadingText))
        return;
    Raise(OnCommandStateChange, this, int(CommandUpdate), false);
}

void TBrowserHost::onLoadProgress(int progress)
{
    if (progress == m_lastProgress)
        return;
    m_lastProgress = progress;
    Raise(OnProgressChange, this, progress, 100);
}

void TBrowserHost::onLoadFinished(bool)
{
    m_loadRunning = false;
    m_awaitingStart = false;
    if (m_failure.address.isValid()) {
        // The load goes on into the error page: still busy, no "完成" in between.
        showFailurePage();
        return;
    }
    m_noticeLoading = false;
    finishLoad();
}

void TBrowserHost::showFailurePage()
{
    const FailedLoad failure = std::exchange(m_failure, {});
    if (!m_destroying && m_page)
        showNoticePage(failure.description.title, failure.description.message, failure.address);
}

void TBrowserHost::showNoticePage(const QString &title, const QString &message, const QUrl &address)
{
    NavigationIssued();
    // The page stands at the failed address, so that its "重新加载" link and a refresh both
    // try that address again.
    m_retryUrl = address;
    m_noticeLoading = true;
    m_page->setContent(NoticePageHtml(title, message, address), QStringLiteral("text/html;charset=UTF-8"), address);
}

void TBrowserHost::finishLoad()
{
    // A text document that never named itself: the stand-in is its title after all.
    const QString held = std::exchange(m_heldTitle, QString());
    if (!held.isEmpty() && m_page && m_page->title() == held && !raiseTitleChange(held))
        return;
    setBusy(false);
    // The owner shows progress only while it is more than two steps short of the end.
    if (m_lastProgress != 100) {
        m_lastProgress = 100;
        if (!Raise(OnProgressChange, this, 100, 100))
            return;
    }
    if (!Raise(OnStatusTextChange, this, QStringLiteral("完成")))
        return;
    if (!Raise(OnCommandStateChange, this, int(CommandUpdate), false))
        return;
    if (!Raise(OnDownloadComplete, this))
        return;
    if (!m_blockedPopup.isEmpty())
        Raise(OnPopupBlocked, this, std::exchange(m_blockedPopup, QString()));
}

void TBrowserHost::onUrlChanged(const QUrl &url)
{
    if (!TDocumentScheme::isDocumentUrl(url) && url.scheme() != QLatin1String("data") && url != QUrl(kAboutBlank))
        m_textDocumentIssued = false;
    emit locationURLChanged();
    QVariant address = shownAddress(url);
    if (!Raise(OnNavigateComplete2, this, static_cast<QObject *>(Application()), address))
        return;
    // A move within the same document (an anchor, history.pushState) gets no load of its own.
    if (m_awaitingStart && !m_loadRunning) {
        m_awaitingStart = false;
        finishLoad();
    }
}

void TBrowserHost::onTitleChanged(const QString &title)
{
    // The engine reports a title a moment after it knows it (from a zero-delay timer), so a
    // report may already be overtaken: by the document's next title, or by the address of a
    // navigation issued since. A late "默认" of the start page would make a tab that already
    // loads a shop look reusable. Only the engine's current title is news.
    if (m_page && m_page->title() != title)
        return;
    // Before a document handed over as text names itself, the engine reports a stand-in title.
    // Passed on, it would show a blank page until the document's own title follows; it counts
    // only if it is still the title once the document is complete. The engine reports titles
    // a moment after it knows them, so the document's own title may already have overtaken it.
    if (m_textDocumentIssued && isStandInTitle(title)) {
        if (!m_page || m_page->title() != title)
            return;
        if (m_busy) {
            m_heldTitle = title;
            return;
        }
    }
    m_heldTitle.clear();
    raiseTitleChange(title);
}

bool TBrowserHost::raiseTitleChange(const QString &title)
{
    return Raise(OnTitleChange, this, isStandInTitle(title) ? kAboutBlank : title);
}

bool TBrowserHost::isStandInTitle(const QString &title) const
{
    // The address of the document: "about:blank", or the one it is served from memory under.
    return title == kAboutBlank
        || (m_view && TDocumentScheme::isDocumentUrl(m_view->url()) && title == m_view->url().toString());
}

void TBrowserHost::onLinkHovered(const QString &url)
{
    // The engine also reports "no link" at every commit; only real changes are news.
    if (url == m_hoveredLink)
        return;
    m_hoveredLink = url;
    // Leaving a link while a page loads, or the page's commit, brings back the loading text.
    Raise(OnStatusTextChange, this, url.isEmpty() && m_loadRunning ? m_loadingText : url);
}

void TBrowserHost::onNavigationActionChanged(int command)
{
    if (!m_page)
        return;
    const bool back = command == CommandBack;
    const bool enabled = m_page->action(back ? QWebEnginePage::Back : QWebEnginePage::Forward)->isEnabled();
    bool &known = back ? m_canGoBack : m_canGoForward;
    if (enabled == known)
        return;
    known = enabled;
    Raise(OnCommandStateChange, this, command, enabled);
}

void TBrowserHost::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    // Reloading from inside the engine's report is not safe; do it once the report is over.
    QMetaObject::invokeMethod(this, &TBrowserHost::recoverFromCrash, Qt::QueuedConnection);
}

void TBrowserHost::recoverFromCrash()
{
    if (!m_view || m_destroying)
        return;
    const QUrl address = m_view->url();
    // Reloaded once for each navigation the user started; a page that crashes its renderer after
    // every load would otherwise be reloaded for ever.
    const bool reloaded = m_crashReloaded;
    NavigationIssued();
    m_crashReloaded = true;
    if (!reloaded) {
        m_page->triggerAction(QWebEnginePage::Reload);
        return;
    }
    // Crashed again: say so in the page and wait for the user. The address stays, so that the
    // notice's link and the refresh button try the page again.
    showNoticePage(QStringLiteral("网页无法显示"), QStringLiteral("显示此网页的进程意外终止。"), address);
}

bool TBrowserHost::isNoticeLink(QWebEnginePage::NavigationType type, bool isMainFrame) const
{
    // The notices run no script: a link followed from one is the user's click.
    return m_retryUrl.isValid() && isMainFrame && type == QWebEnginePage::NavigationTypeLinkClicked;
}
