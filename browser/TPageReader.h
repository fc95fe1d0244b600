#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>

class QWebEnginePage;
class TBrowserHost;

// Reads one document of a view with a script of the program's own. It waits for the load the
// view is busy with to end, then until the document has stopped changing for QuietMs, and runs
// the script in the program's own script world (QWebEngineScript::ApplicationWorld), where the
// page's scripts can neither see it nor change what it returns. Until SettleMs after the load
// it keeps watching: a document that changes again (a results list filled in by script after
// loading) is read again once it is quiet. Each reading that differs from the one before is
// reported; the last one stands.
//
// Only that one document is read: a view that goes on to another page before the reading is
// done fails with Left. The page is held awake while it is read (TPageLifecycle); a page that
// sleeps all the same is not woken, the reading fails with Asleep.
class TPageReader : public QObject
{
    Q_OBJECT
public:
    enum Failure { LoadFailed, Crashed, Left, Asleep, TimedOut };
    Q_ENUM(Failure)
    // AfterLoad: the document the view is busy loading. Now: the document as it stands (one
    // still loading is waited for), read at once and watched as after a load.
    enum Mode { AfterLoad, Now };

    static constexpr int QuietMs = 400;
    static constexpr int SettleMs = 2500;
    // From the end of the load to the script's answer.
    static constexpr int TimeoutMs = 15000;

    // `script` makes the script for the document's address. After a load the view must be busy
    // with the load to read; otherwise the reading fails with LoadFailed.
    TPageReader(TBrowserHost *view, std::function<QString(const QUrl &)> script, QObject *parent = nullptr,
        Mode mode = AfterLoad);
    ~TPageReader() override;

    // The address of the document read; empty until its load has ended.
    QUrl Address() const { return m_address; }

signals:
    // The script's result (text), once or more: again only when it has changed.
    void read(const QString &result);
    // The reading is over: after the last `read`, or after `failed`.
    void done();
    void failed(TPageReader::Failure why);

private:
    void onBusyChanged(bool busy);
    void poll();
    void readNow(double changeStamp, bool last);
    void finish();
    void fail(Failure why);
    bool awake() const;

    QPointer<TBrowserHost> m_view;
    QPointer<QWebEnginePage> m_page; // held awake while set
    std::function<QString(const QUrl &)> m_script;
    QTimer m_poll;
    QTimer m_timeout;
    QElapsedTimer m_sinceLoad;
    bool m_scriptRunning = false;
    bool m_readOnce = false;
    double m_readStamp = -1; // the document's last change as of the last reading
    QString m_lastReading;
    QUrl m_address;
    bool m_done = false;
};
