#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;
class TBrowserHost;

// The page side of teaching the program a shop: a pick in the view's page, where the user clicks
// one product's name, then its price, and the pick script (resources/reading/pick_mode.js)
// works out a reading rule from them and outlines the products it recognises.
//
// Everything runs in the program's own script world (QWebEngineScript::ApplicationWorld). The
// page hears of nothing but the outlines: the script's listeners come first on the window (the
// guard that Prepare puts into every page before its scripts run) and swallow clicks while a
// pick is on. The program learns the pick's state by asking the script every PollMs; nothing
// the page can call reports to it.
//
// A pick ends with Stop, with Esc in the page, when the view goes on to another document (or
// its address changes), when it is hidden (another tab shown) and when its renderer ends.
class TPickMode : public QObject
{
    Q_OBJECT
public:
    enum Step { PickName, PickPrice, Result };
    Q_ENUM(Step)

    static constexpr int PollMs = 150;

    explicit TPickMode(QObject *parent = nullptr);
    ~TPickMode() override;

    // Puts the guard into `page`: from its next document on, a pick can keep clicks from it.
    static void Prepare(QWebEnginePage *page);

    // Starts a pick in the page `view` shows with the pick script `script`; a pick elsewhere
    // ends first. False when the view shows no page.
    bool Start(TBrowserHost *view, const QString &script);
    // Back to the first click ("重新选择").
    void Repick();
    // Ends the pick; its outlines go from the page.
    void Stop();

    bool Active() const { return m_active; }
    TBrowserHost *View() const { return m_view; }
    QWebEnginePage *Page() const { return m_page; }
    Step CurrentStep() const { return m_step; }
    // Why the last click was not taken: "noName", "noPrice", "priceInName", "noStructure"; empty
    // when it was.
    QString Problem() const { return m_problem; }
    // The rule worked out from the two clicks (item, name, price, link, image); empty before.
    QJsonObject Rule() const { return m_rule; }

signals:
    // The step, the problem or the rule has changed.
    void changed();
    // The pick is over, however it ended.
    void ended();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    void take(const QString &stateJson);
    // `tell`: ended() is emitted (not from the destructor).
    void end(bool tell = true);

    bool m_active = false;
    QPointer<TBrowserHost> m_view;
    QPointer<QWebEnginePage> m_page;
    QPointer<QObject> m_keys; // the widget that takes the page's keys
    QTimer m_poll;
    bool m_asking = false;
    int m_version = 0;
    Step m_step = PickName;
    QString m_problem;
    QJsonObject m_rule;
};
