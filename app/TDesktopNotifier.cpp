#include "TDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kOpenAction = QStringLiteral("default");
} // namespace

TDesktopNotifier::TDesktopNotifier(QObject *parent) : QObject(parent) {}

bool TDesktopNotifier::serviceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService).value())
        return false;
    if (!m_connected) {
        m_connected = bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                          SLOT(onActionInvoked(uint, QString)))
            && bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(onClosed(uint, uint)));
        // Whether bodies are read as markup is asked once: names from shops' pages must not be.
        QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
        const QDBusMessage answer = bus.call(ask, QDBus::Block, 2000);
        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty())
            m_markup = answer.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
    }
    return true;
}

bool TDesktopNotifier::Notify(const QString &title, const QString &body, const QUrl &address)
{
    if (!serviceAvailable())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions = address.isValid() ? QStringList {kOpenAction, QStringLiteral("查看报价")} : QStringList();
    call << QStringLiteral("Vanzu小精灵") << uint(0) << QStringLiteral(VANZU_APP_ID) << title
         << (m_markup ? body.toHtmlEscaped() : body) << actions << QVariantMap {{QStringLiteral("desktop-entry"), QStringLiteral(VANZU_APP_ID)}}
         << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, address](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<uint> reply = *done;
        if (!reply.isError() && address.isValid())
            m_addresses.insert(reply.value(), address);
        done->deleteLater();
    });
    return true;
}

void TDesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    const auto found = m_addresses.constFind(id);
    if (found == m_addresses.cend() || action != kOpenAction)
        return;
    emit actionInvoked(*found);
}

void TDesktopNotifier::onClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_addresses.remove(id);
}
