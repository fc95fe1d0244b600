#include "TPickMode.h"

#include "TBrowserHost.h"

#include <QEvent>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace {
// Listeners of the program's script world on the window, in place before any script of the page
// runs, so that they are called first for every event: while a pick is on they keep clicks from
// links and from the page's own handlers. Without a pick they do nothing.
const char kGuard[] = R"((function () {
    if (window.__vanzuPickGuard) return;
    window.__vanzuPickGuard = true;
    var guard = function (e) { var pick = window.__vanzuPick; if (pick) pick.event(e); };
    ['pointerdown', 'pointerup', 'mousedown', 'mouseup', 'click', 'dblclick', 'auxclick', 'contextmenu',
     'submit', 'keydown', 'mouseover'].forEach(function (type) { window.addEventListener(type, guard, true); });
})();
)";
} // namespace

TPickMode::TPickMode(QObject *parent) : QObject(parent)
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &TPickMode::poll);
}

TPickMode::~TPickMode()
{
    if (m_page)
        m_page->runJavaScript(QStringLiteral("window.__vanzuPick && window.__vanzuPick.stop();"),
            QWebEngineScript::ApplicationWorld);
    end(false);
}

void TPickMode::Prepare(QWebEnginePage *page)
{
    QWebEngineScript guard;
    guard.setName(QStringLiteral("vanzu-pick-guard"));
    guard.setSourceCode(QString::fromLatin1(kGuard));
    guard.setInjectionPoint(QWebEngineScript::DocumentCreation);
    guard.setWorldId(QWebEngineScript::ApplicationWorld);
    guard.setRunsOnSubFrames(false);
    page->scripts().insert(guard);
}

bool TPickMode::Start(TBrowserHost *view, const QString &script)
{
    Stop();
    if (!view || !view->EngineView() || view->ShowsNotice())
        return false;
    m_active = true;
    m_view = view;
    m_page = view->EngineView()->page();
    m_step = PickName;
    m_problem.clear();
    m_rule = QJsonObject();
    m_version = 0;
    m_asking = false;
    // A page opened before the guard was put in gets the listeners now: they come after those
    // the page put on the window itself, but before everything else.
    m_page->runJavaScript(QString::fromLatin1(kGuard) + script, QWebEngineScript::ApplicationWorld);
    connect(view, &TBrowserHost::busyChanged, this, [this](bool busy) {
        if (busy)
            end();
    });
    connect(m_page, &QWebEnginePage::urlChanged, this, [this] { end(); });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] { end(); });
    connect(m_page, &QObject::destroyed, this, [this] { end(); }); // the view's page discarded
    connect(view, &QObject::destroyed, this, [this] { end(); });
    view->installEventFilter(this);
    m_keys = view->EngineView()->focusProxy();
    if (m_keys)
        m_keys->installEventFilter(this);
    m_poll.start();
    emit changed();
    return true;
}

void TPickMode::Repick()
{
    if (!m_page)
        return;
    m_page->runJavaScript(QStringLiteral("window.__vanzuPick && window.__vanzuPick.repick();"),
        QWebEngineScript::ApplicationWorld);
}

void TPickMode::Stop()
{
    if (m_page) {
        m_page->runJavaScript(QStringLiteral("window.__vanzuPick && window.__vanzuPick.stop();"),
            QWebEngineScript::ApplicationWorld);
    }
    end();
}

bool TPickMode::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::Hide) {
        Stop();
    } else if (watched == m_keys && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        Stop();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TPickMode::poll()
{
    if (!m_page || m_asking)
        return;
    m_asking = true;
    QPointer<TPickMode> self(this);
    const QPointer<QWebEnginePage> page = m_page;
    m_page->runJavaScript(
        QStringLiteral("window.__vanzuPick ? window.__vanzuPick.poll(%1) : ''").arg(m_version),
        QWebEngineScript::ApplicationWorld, [self, page](const QVariant &answer) {
            if (!self || self->m_page != page || !page)
                return;
            self->m_asking = false;
            self->take(answer.toString());
        });
}

void TPickMode::take(const QString &stateJson)
{
    const QJsonObject state = QJsonDocument::fromJson(stateJson.toUtf8()).object();
    if (state.isEmpty()) {
        end(); // the document the pick ran in is gone
        return;
    }
    const int version = state.value(QLatin1String("version")).toInt();
    if (version == m_version)
        return;
    m_version = version;
    if (state.value(QLatin1String("cancelled")).toBool()) {
        Stop();
        return;
    }
    const QString step = state.value(QLatin1String("step")).toString();
    m_step = step == QLatin1String("result") ? Result : step == QLatin1String("price") ? PickPrice : PickName;
    m_problem = state.value(QLatin1String("message")).toString();
    m_rule = m_step == Result ? state.value(QLatin1String("rule")).toObject() : QJsonObject();
    emit changed();
}

void TPickMode::end(bool tell)
{
    if (!m_active)
        return;
    m_active = false;
    m_poll.stop();
    if (m_keys)
        m_keys->removeEventFilter(this);
    m_keys = nullptr;
    if (m_page)
        m_page->disconnect(this);
    m_page = nullptr;
    if (m_view) {
        m_view->removeEventFilter(this);
        m_view->disconnect(this);
    }
    m_view = nullptr;
    if (tell)
        emit ended();
}
