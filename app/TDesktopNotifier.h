#pragma once

#include <QHash>
#include <QObject>
#include <QUrl>

// Notices on the desktop through its notification service (org.freedesktop.Notifications on the
// session bus), each with an action that opens an address. Where no service answers, Notify says
// so and the caller tells the user another way.
class TDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit TDesktopNotifier(QObject *parent = nullptr);

    // Sends a notice with `title` and `body` (plain text) whose action opens `address`. False when
    // there is no notification service to send it to.
    bool Notify(const QString &title, const QString &body, const QUrl &address);

signals:
    // The user chose the notice's action.
    void actionInvoked(const QUrl &address);

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    bool serviceAvailable();

    QHash<uint, QUrl> m_addresses; // of notices still shown, by id
    bool m_connected = false;
    bool m_markup = false; // the service reads bodies as markup: page text is escaped
};
