#pragma once

#include "TBrowserHost.h"

#include <QPoint>
#include <QString>

class QKeyEvent;

// How the next script error in a page is answered.
enum TScriptErrorAction {
    eaContinue = 0, // scripts keep running, no dialog
    eaCancel = 1,   // the page's scripts stop, no dialog
    eaAskUser = 2   // the engine does what it does on its own (Chromium: nothing visible)
};

// The host's answers to the engine's call-backs: context menus, keys pressed inside a page,
// script errors and the dialogs that scripts open.
class TCustomBrowserView : public TBrowserHost
{
    Q_OBJECT
    Q_PROPERTY(bool Silent MEMBER Silent)
    Q_PROPERTY(QString DisabledControlKeys MEMBER DisabledControlKeys)

public:
    // The context-menu answer that leaves the menu to the view's own fallbacks.
    static constexpr int ContextMenuNotHandled = int(0x80004001);
    // The kind of element a context menu is asked for (dwID of OnShowContextMenu).
    enum TContextMenuKind : quint32 { cmDefault = 0, cmImage = 1, cmControl = 2, cmTextSelect = 4, cmAnchor = 5 };

    explicit TCustomBrowserView(QWidget *parent = nullptr);

    // No dialog boxes of the engine's own: alert shows nothing, confirm and prompt are cancelled.
    bool Silent = true;
    TScriptErrorAction ScriptErrorAction = eaContinue;
    // Letters whose key, pressed with Ctrl alone inside a page, is swallowed (Ctrl+N: no new window).
    QString DisabledControlKeys = QStringLiteral("N");

    // Result arrives as ContextMenuNotHandled; 0 means handled: no menu is shown.
    // CommandTarget is the page, Context the engine's QWebEngineContextMenuRequest.
    std::function<void(QObject *Sender, quint32 dwID, const QPoint &ppt, QObject *CommandTarget, QObject *Context,
                       int &Result)>
            OnShowContextMenu;
    // What the handler leaves in ScriptErrorAction answers the next script error.
    std::function<void(QObject *Sender, const QString &ErrorLine, const QString &ErrorCharacter,
                       const QString &ErrorCode, const QString &ErrorMessage, const QString &ErrorUrl,
                       TScriptErrorAction &ScriptErrorAction)>
            OnScriptError;

protected:
    void EngineCreated(QWebEngineView *view) override;
    void DocumentLoadStarted() override;
    void ContextMenuRequested(const QPoint &pos) override;
    void JavaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool JavaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool JavaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void JavaScriptConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isDisabledControlKey(const QKeyEvent *event) const;
    // A key of an enabled window-wide action of this view's window.
    bool isWindowShortcut(const QKeyEvent *event) const;
    void setScriptsStopped(bool stopped);

    bool m_scriptsStopped = false;
};
