#include "THistoryKeeper.h"

#include "MessageBoxes.h"
#include "TDesktopNotifier.h"
#include "TPriceChartDialog.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TProductTreeModel.h"
#include "TWatchChecker.h"
#include "TWatchDialog.h"
#include "TWatchListDialog.h"
#include "U_Main.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QSettings>

#include <cstdio>

THistoryKeeper::THistoryKeeper(TFrm_Main *window, TPriceHistory *history)
    : QObject(window), m_window(window), m_history(history), m_checker(new TWatchChecker(window, history)),
      m_notifier(new TDesktopNotifier(this))
{
    TPriceComparison *comparison = window->PriceComparison();
    TPriceTablePane *pane = window->pPrices;
    connect(comparison, &TPriceComparison::begun, this, &THistoryKeeper::begun);
    connect(comparison, &TPriceComparison::shopDone, this, [this, comparison] {
        if (comparison->AllDone())
            RecordNow();
    });
    connect(pane, &TPriceTablePane::chartRequested, this, &THistoryKeeper::ShowChart);
    connect(pane, &TPriceTablePane::watchRequested, this, &THistoryKeeper::Watch);
    connect(pane, &TPriceTablePane::unwatchRequested, this, [this](const QString &key) {
        m_history->RemoveWatch(key);
        showInTable();
    });
    connect(m_history, &TPriceHistory::notice, this, &THistoryKeeper::tell);
    connect(m_checker, &TWatchChecker::notice, this, &THistoryKeeper::notify);
    connect(m_notifier, &TDesktopNotifier::actionInvoked, this, [this](const QUrl &address) {
        m_window->OpenInTab(address.toString(QUrl::FullyEncoded));
        m_window->activateWindow();
        m_window->raise();
    });
}

void THistoryKeeper::Open(const QString &path, bool checkWatches)
{
    m_open = true;
    m_history->Open(path);
    if (!checkWatches)
        return;
    // How often watched products are checked: "checkEveryHours" in the [watches] section of the
    // program's settings, 12 unless set there (1 to 168).
    const int hours = QSettings().value(QStringLiteral("watches/checkEveryHours"), 12).toInt();
    m_checker->SetInterval(std::chrono::hours(qBound(1, hours, 168)));
    m_checker->StartSchedule();
}

void THistoryKeeper::AddMenuItems(QMenu *menu)
{
    menu->addSeparator();
    m_watchList = menu->addAction(QStringLiteral("关注列表(&W)..."));
    m_watchList->setObjectName(QStringLiteral("pmWatchList"));
    m_watchList->setStatusTip(QStringLiteral("关注的商品、它们的提醒价格和最新价格"));
    m_clear = menu->addAction(QStringLiteral("清除历史(&H)..."));
    m_clear->setObjectName(QStringLiteral("pmClearHistory"));
    m_clear->setStatusTip(QStringLiteral("删除记录下的全部历史价格"));
    connect(m_watchList, &QAction::triggered, this, &THistoryKeeper::ShowWatchList);
    connect(m_clear, &QAction::triggered, this, &THistoryKeeper::ClearHistory);
}

void THistoryKeeper::begun(const QStringList &shops, const QString &keyword)
{
    Q_UNUSED(shops);
    m_keyword = keyword;
    // The table compares today's prices with the history as it was before this comparison.
    m_recorded = false;
    m_summaries = m_history->Summaries();
    showInTable();
    m_checker->Postpone(); // the user's comparison comes first
}

void THistoryKeeper::showInTable()
{
    QSet<QString> watched;
    for (const TWatch &watch : m_history->Watches())
        watched.insert(watch.Key);
    m_window->pPrices->SetHistory(m_summaries, watched);
}

void THistoryKeeper::RecordNow()
{
    if (m_recorded || !m_open)
        return;
    m_recorded = true;
    const TPriceTablePane *pane = m_window->pPrices;
    const TPriceComparison *comparison = m_window->PriceComparison();
    const QList<TOffer> offers = pane->Offers();
    if (offers.isEmpty())
        return;
    m_history->Record(HistoryComparisonOf(m_keyword, comparison->Shops(), offers,
        pane->ProductModel()->Grouping(), QDateTime::currentDateTimeUtc()));
}

void THistoryKeeper::ShowChart(const QString &key, const QString &name)
{
    auto *dialog = new TPriceChartDialog(name, m_history->Points(key), m_window);
    dialog->show();
}

void THistoryKeeper::Watch(const QString &key, const QString &name, qint64 lowestFen)
{
    TWatchDialog dialog(name, lowestFen, false, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TWatch watch;
    watch.Key = key;
    watch.Name = name;
    watch.Keyword = m_keyword;
    watch.Shops = m_window->PriceComparison()->Shops();
    watch.TargetFen = dialog.TargetFen();
    watch.NotifyNewLow = dialog.NotifyNewLow();
    watch.LastFen = lowestFen;
    const THistorySummary known = m_summaries.value(key);
    watch.LowestFen = known.LowestFen > 0 ? std::min(known.LowestFen, lowestFen) : lowestFen;
    watch.Armed = lowestFen >= watch.TargetFen; // already below: the next crossing is news
    watch.LastChecked = QDateTime::currentDateTimeUtc(); // today's comparison was its first check
    m_history->SetWatch(watch);
    showInTable();
}

void THistoryKeeper::ShowWatchList()
{
    if (!m_watchDialog) {
        m_watchDialog = new TWatchListDialog(m_history, m_window);
        m_watchDialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_watchDialog, &TWatchListDialog::openOffer, this,
            [this](const QUrl &address) { m_window->OpenInTab(address.toString(QUrl::FullyEncoded)); });
        connect(m_watchDialog, &QDialog::finished, this, &THistoryKeeper::showInTable);
    }
    m_watchDialog->show();
    m_watchDialog->raise();
    m_watchDialog->activateWindow();
}

void THistoryKeeper::ClearHistory()
{
    if (MsgBox(QStringLiteral("删除记录下的全部历史价格？关注的商品和它们的提醒价格会保留。"), QStringLiteral("清除历史"),
            MB_OKCANCEL | MB_ICONINFORMATION)
        != IDOK)
        return;
    m_history->Clear();
    m_summaries.clear();
    showInTable();
    m_window->sBarStus->setText(QStringLiteral("历史价格已清除"));
}

void THistoryKeeper::tell(const QString &text)
{
    if (m_unattended)
        std::fputs(qPrintable(QStringLiteral("vanzu：%1\n").arg(text)), stderr);
    else
        ShowMsg(text);
}

void THistoryKeeper::notify(const TWatchNotice &notice)
{
    const QString title = notice.NewLow ? QStringLiteral("历史新低") : QStringLiteral("降价提醒");
    if (m_notifier->Notify(title, notice.Text(), notice.Address))
        return;
    // No notification service: the status bar says it, and the watch list keeps it.
    m_undelivered.append(notice.Text());
    m_window->sBarStus->setText(title + QStringLiteral("：") + notice.Text());
}
