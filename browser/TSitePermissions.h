#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

// Answers the pages' requests to use a feature: location, camera, microphone, notifications,
// the mouse pointer, the screen. The user is asked once for each site and feature, with "no" as
// the default answer; the answer holds for that site and feature until the program ends.
// Requests that arrive while a question is open wait for it, so one question is open at a time.
class TSitePermissions : public QObject
{
    Q_OBJECT
public:
    explicit TSitePermissions(QObject *parent = nullptr);

    // Answers `page`'s request through page->setFeaturePermission(), asking the user first when
    // the site's answer for the feature is not known yet.
    void Request(QWebEnginePage *page, const QUrl &origin, QWebEnginePage::Feature feature);

    // The question put to the user, naming the site and what it wants.
    static QString Question(const QUrl &origin, QWebEnginePage::Feature feature);

private:
    struct Pending
    {
        QPointer<QWebEnginePage> page;
        QUrl origin;
        QWebEnginePage::Feature feature;
    };
    static QString Key(const QUrl &origin, QWebEnginePage::Feature feature);
    // The user's answer; false when the box went away unanswered.
    static bool ask(const QString &question);

    QHash<QString, bool> m_answers;
    QList<Pending> m_pending;
    bool m_asking = false;
};
