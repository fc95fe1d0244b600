#include "TCustomBrowserView.h"

#include "TPickMode.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>

namespace {
TCustomBrowserView::TContextMenuKind MenuKind(const QWebEngineContextMenuRequest *request)
{
    if (!request)
        return TCustomBrowserView::cmDefault;
    if (request->isContentEditable())
        return TCustomBrowserView::cmControl;
    if (request->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage)
        return TCustomBrowserView::cmImage;
    if (request->linkUrl().isValid())
        return TCustomBrowserView::cmAnchor;
    if (!request->selectedText().isEmpty())
        return TCustomBrowserView::cmTextSelect;
    return TCustomBrowserView::cmDefault;
}
} // namespace

TCustomBrowserView::TCustomBrowserView(QWidget *parent) : TBrowserHost(parent) { }

void TCustomBrowserView::EngineCreated(QWebEngineView *view)
{
    TBrowserHost::EngineCreated(view);
    m_scriptsStopped = false; // a fresh page runs its scripts
    TPickMode::Prepare(view->page());
    // Keys reach the page through the engine view's child widgets, which the engine creates
    // and replaces as it likes: watch for them as they arrive.
    view->installEventFilter(this);
    for (QObject *child : view->children()) {
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
}

bool TCustomBrowserView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == EngineView()) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType())
                child->installEventFilter(this);
        }
        break;
    case QEvent::ShortcutOverride:
        // Accepted, so that no shortcut of the window takes the key either.
        if (isDisabledControlKey(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        // The window's own keys are never offered to the page, so its key handlers cannot keep
        // them from the window.
        if (isWindowShortcut(static_cast<QKeyEvent *>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isDisabledControlKey(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    default:
        break;
    }
    return TBrowserHost::eventFilter(watched, event);
}

bool TCustomBrowserView::isDisabledControlKey(const QKeyEvent *event) const
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    const int key = event->key();
    if (key < Qt::Key_A || key > Qt::Key_Z)
        return false;
    return DisabledControlKeys.contains(QChar(key), Qt::CaseInsensitive);
}

bool TCustomBrowserView::isWindowShortcut(const QKeyEvent *event) const
{
    const QKeySequence pressed(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    const QList<QAction *> actions = window()->actions();
    return std::any_of(actions.cbegin(), actions.cend(), [&](const QAction *action) {
        return action->isEnabled() && action->shortcutContext() == Qt::WindowShortcut
                && action->shortcuts().contains(pressed);
    });
}

void TCustomBrowserView::ContextMenuRequested(const QPoint &pos)
{
    QWebEngineView *view = EngineView();
    if (!view)
        return;
    QWebEngineContextMenuRequest *request = view->lastContextMenuRequest();
    int result = ContextMenuNotHandled;
    if (!Raise(OnShowContextMenu, this, quint32(MenuKind(request)), view->mapToGlobal(pos),
               static_cast<QObject *>(Document()), static_cast<QObject *>(request), result))
        return;
    // 0: the handler has dealt with it; any other answer leaves the menu to the engine.
    if (result != 0)
        TBrowserHost::ContextMenuRequested(pos);
}

void TCustomBrowserView::JavaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (!Silent)
        TBrowserHost::JavaScriptAlert(securityOrigin, msg);
}

bool TCustomBrowserView::JavaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (!Silent)
        return TBrowserHost::JavaScriptConfirm(securityOrigin, msg);
    // Qt asks whether to leave a page that objects to being left (beforeunload) through this
    // call, with this text. Answered "no" the page would hold the view for good; silently the
    // view leaves it, as it would with no dialog at all.
    return msg == QCoreApplication::translate("QWebEnginePage",
                                              "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

bool TCustomBrowserView::JavaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                          const QString &defaultValue, QString *result)
{
    if (!Silent)
        return TBrowserHost::JavaScriptPrompt(securityOrigin, msg, defaultValue, result);
    return false;
}

void TCustomBrowserView::JavaScriptConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level,
                                                  const QString &message, int lineNumber, const QString &sourceID)
{
    // A script that fails is reported as a console error beginning "Uncaught"; the page's own
    // console.error() output is not a script error.
    if (level != QWebEnginePage::ErrorMessageLevel || !message.startsWith(QLatin1String("Uncaught")))
        return;
    if (ScriptErrorAction == eaCancel)
        setScriptsStopped(true);
    // Chromium reports neither a column nor an error number.
    TScriptErrorAction next = ScriptErrorAction;
    if (!Raise(OnScriptError, this, QString::number(lineNumber), QString(), QString(), message, sourceID, next))
        return;
    ScriptErrorAction = next;
}

void TCustomBrowserView::DocumentLoadStarted()
{
    TBrowserHost::DocumentLoadStarted();
    setScriptsStopped(false); // a cancel stops the scripts of one document only
}

void TCustomBrowserView::setScriptsStopped(bool stopped)
{
    if (stopped == m_scriptsStopped || !EngineView())
        return;
    m_scriptsStopped = stopped;
    EngineView()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, !stopped);
}
