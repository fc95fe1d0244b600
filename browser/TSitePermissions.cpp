#include "TSitePermissions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QString FeatureText(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications: return QStringLiteral("向你显示通知");
    case QWebEnginePage::Geolocation: return QStringLiteral("获取你的位置");
    case QWebEnginePage::MediaAudioCapture: return QStringLiteral("使用你的麦克风");
    case QWebEnginePage::MediaVideoCapture: return QStringLiteral("使用你的摄像头");
    case QWebEnginePage::MediaAudioVideoCapture: return QStringLiteral("使用你的摄像头和麦克风");
    case QWebEnginePage::MouseLock: return QStringLiteral("锁定你的鼠标指针");
    case QWebEnginePage::DesktopVideoCapture: return QStringLiteral("录制你的屏幕");
    case QWebEnginePage::DesktopAudioVideoCapture: return QStringLiteral("录制你的屏幕和声音");
    }
    return QStringLiteral("使用一项功能");
}

// The site as the user knows it: its host, with the port when the address names one.
QString SiteText(const QUrl &origin)
{
    if (origin.host().isEmpty())
        return origin.toDisplayString(QUrl::RemoveUserInfo);
    return origin.port() < 0 ? origin.host() : origin.host() + QLatin1Char(':') + QString::number(origin.port());
}
} // namespace

TSitePermissions::TSitePermissions(QObject *parent) : QObject(parent) { }

QString TSitePermissions::Question(const QUrl &origin, QWebEnginePage::Feature feature)
{
    return QStringLiteral("网站“%1”想要%2。\n\n是否允许？").arg(SiteText(origin), FeatureText(feature));
}

QString TSitePermissions::Key(const QUrl &origin, QWebEnginePage::Feature feature)
{
    // Sites are told apart as the engine does: by scheme, host and port.
    return origin.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                   .toString()
            + QLatin1Char('|') + QString::number(int(feature));
}

void TSitePermissions::Request(QWebEnginePage *page, const QUrl &origin, QWebEnginePage::Feature feature)
{
    m_pending.append({page, origin, feature});
    // Asked from inside an open question's loop: that loop takes this request in turn.
    if (m_asking)
        return;
    m_asking = true;
    QPointer<TSitePermissions> alive(this);
    while (!m_pending.isEmpty()) {
        const Pending next = m_pending.takeFirst();
        const QString key = Key(next.origin, next.feature);
        if (!m_answers.contains(key)) {
            if (!next.page)
                continue; // nobody left to answer
            const bool allowed = ask(Question(next.origin, next.feature));
            if (!alive)
                return;
            m_answers.insert(key, allowed);
        }
        if (next.page)
            next.page->setFeaturePermission(next.origin, next.feature,
                                            m_answers.value(key) ? QWebEnginePage::PermissionGrantedByUser
                                                                 : QWebEnginePage::PermissionDeniedByUser);
    }
    m_asking = false;
}

bool TSitePermissions::ask(const QString &question)
{
    // On the heap: the active window that owns the box may go while it is open.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Question, QStringLiteral("提示"), question,
                                                QMessageBox::NoButton, QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText); // the site's name is the page's to choose
    QPushButton *allow = box->addButton(QStringLiteral("允许"), QMessageBox::YesRole);
    QPushButton *deny = box->addButton(QStringLiteral("拒绝"), QMessageBox::NoRole);
    box->setDefaultButton(deny);
    box->setEscapeButton(deny);
    box->exec();
    if (!box)
        return false;
    const bool allowed = box->clickedButton() == allow;
    delete box;
    return allowed;
}
