#include "TBrowserHooks.h"

#include "TBrowserHost.h"
#include "TDocumentScheme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineView>

#include <cfenv>

namespace {
fenv_t g_savedFpEnvironment;
bool g_fpEnvironmentSaved = false;
TBrowserHooks *g_hooks = nullptr;

TBrowserHost *BrowserViewOf(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *view = qobject_cast<TBrowserHost *>(w))
            return view;
    }
    return nullptr;
}
} // namespace

TBrowserHooks::TBrowserHooks(QObject *parent) : QObject(parent) { }

void TBrowserHooks::setFocusControl(bool on)
{
    if (on == m_focusControl)
        return;
    m_focusControl = on;
    if (on)
        connect(qApp, &QGuiApplication::applicationStateChanged, this, &TBrowserHooks::onApplicationStateChanged);
    else
        disconnect(qApp, &QGuiApplication::applicationStateChanged, this, &TBrowserHooks::onApplicationStateChanged);
}

void TBrowserHooks::onApplicationStateChanged(Qt::ApplicationState state)
{
    if (state != Qt::ApplicationActive)
        return;
    QWidget *window = QApplication::activeWindow();
    TBrowserHost *view = window ? BrowserViewOf(window->focusWidget()) : nullptr;
    if (!view || !view->EngineView() || view->EngineView()->hasFocus())
        return;
    // Posted: the activation is still being delivered, and it may still move the focus.
    QPointer<TBrowserHost> target(view);
    QMetaObject::invokeMethod(
            view,
            [target] {
                QWidget *window = target ? target->window() : nullptr;
                if (!target || !window->isActiveWindow() || BrowserViewOf(window->focusWidget()) != target)
                    return;
                if (target->isEnabled() && target->isVisible() && target->EngineView())
                    target->EngineView()->setFocus(Qt::ActiveWindowFocusReason);
            },
            Qt::QueuedConnection);
}

void InitBrowserProcess()
{
    g_fpEnvironmentSaved = fegetenv(&g_savedFpEnvironment) == 0;
    // Chromium needs no per-thread component initialisation here (unlike an OLE-based engine).
    TDocumentScheme::registerScheme();
    if (!g_hooks) {
        g_hooks = new TBrowserHooks;
        g_hooks->setFocusControl(true);
        g_hooks->setMouseWheelFix(true);
    }
}

void DoneBrowserProcess()
{
    // Engine views let go of after the event loop's end are deleted now, while the engine is
    // still there to take them down.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (g_fpEnvironmentSaved)
        fesetenv(&g_savedFpEnvironment);
    delete g_hooks;
    g_hooks = nullptr;
}

void SetFpExceptions(bool enabled)
{
    if (enabled) {
        fesetenv(g_fpEnvironmentSaved ? &g_savedFpEnvironment : FE_DFL_ENV);
    } else {
        fenv_t previous;
        feholdexcept(&previous); // clears the flags and masks every exception
    }
}
