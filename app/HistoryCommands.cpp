#include "HistoryCommands.h"

#include "THistoryKeeper.h"
#include "TPriceHistory.h"
#include "TWatchChecker.h"
#include "U_Main.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>

#include <cstdio>

namespace {
void printLine(const QString &line, FILE *stream = stdout)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

QString yuan(qint64 fen)
{
    return fen > 0 ? YuanText(fen) : QStringLiteral("无价格");
}
} // namespace

int ExportHistoryCommand(const QString &file)
{
    TPriceHistory history;
    QObject::connect(&history, &TPriceHistory::notice, [](const QString &text) { printLine(QStringLiteral("vanzu：") + text, stderr); });
    history.Open(TPriceHistory::DefaultPath());
    history.WaitForWrites();
    QString error;
    if (!history.ExportCsv(file, &error)) {
        printLine(QStringLiteral("vanzu: Cannot write '%1': %2").arg(QDir::toNativeSeparators(file), error), stderr);
        return 2;
    }
    return 0;
}

TCheckWatchesCommand::TCheckWatchesCommand(TFrm_Main *window, int waitSeconds) : QObject(window), m_window(window)
{
    THistoryKeeper *keeper = window->HistoryKeeper();
    keeper->SetUnattended(true);
    keeper->Checker()->SetWaitSeconds(waitSeconds);
    connect(keeper->Checker(), &TWatchChecker::checked, this,
        [](const TWatch &before, const TWatch &after, qint64 lowestFen) {
            if (lowestFen <= 0) {
                printLine(QStringLiteral("%1：%2 → 未读到价格").arg(after.Name, yuan(before.LastFen)));
                return;
            }
            printLine(QStringLiteral("%1：%2 → %3（%4）%5")
                          .arg(after.Name, yuan(before.LastFen), yuan(lowestFen), after.LastShop,
                              lowestFen < after.TargetFen ? QStringLiteral(" 低于提醒价格 %1").arg(yuan(after.TargetFen))
                                                          : QString()));
        });
    connect(keeper->Checker(), &TWatchChecker::finished, this, [this](bool allRead) { finish(allRead ? 0 : 1); });
    window->installEventFilter(this);
}

bool TCheckWatchesCommand::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        finish(1);
    return QObject::eventFilter(watched, event);
}

void TCheckWatchesCommand::Start()
{
    THistoryKeeper *keeper = m_window->HistoryKeeper();
    keeper->Open(TPriceHistory::DefaultPath(), false);
    keeper->History()->WaitForWrites();
    if (!keeper->Checker()->CheckNow(true)) {
        printLine(QStringLiteral("没有关注的商品。"));
        finish(0);
    }
}

void TCheckWatchesCommand::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_status = status;
    // What was read is written before the program ends.
    m_window->HistoryKeeper()->History()->WaitForWrites();
    QCoreApplication::exit(m_status);
}
