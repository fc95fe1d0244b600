#include "HistoryCommands.h"
#include "TApplication.h"
#include "TBatchCompare.h"
#include "THistoryKeeper.h"
#include "TPriceHistory.h"
#include "TBrowserHooks.h"
#include "TCommandLine.h"
#include "TShopCatalogue.h"
#include "U_Main.h"
#include "WindowSystem.h"

#include <QScreen>
#include <QStyle>

#include <cstdio>

int main(int argc, char *argv[])
{
    // --version and --help need no display: they are answered before the window system starts.
    const QStringList arguments = CommandLineArguments(argc, argv);
    if (const std::optional<int> exitCode = AnswerCommandLine(arguments, false))
        return *exitCode;
    // Without a display the command-line modes run on Qt's offscreen platform; the window cannot.
    if (!WindowSystemChosen(arguments) && !DisplayReachable()) {
        if (!TCommandLine(arguments).RunsUnattended()) {
            std::fputs(qPrintable(QStringLiteral(
                           "vanzu：没有可用的显示（未设置 DISPLAY 或 WAYLAND_DISPLAY，或无法连接），无法打开窗口。\n"
                           "没有显示时可以用 --compare 关键词 --shops 网店 --prices 文件 在后台比价，\n"
                           "用 --check-watches 检查关注的商品，用 --export-history 文件 导出历史价格。\n")),
                stderr);
            return 2;
        }
        std::fputs(qPrintable(QStringLiteral("vanzu：没有可用的显示，在后台进行（offscreen）。\n")), stderr);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TApplication app(argc, argv);
    if (const std::optional<int> exitCode = AnswerCommandLine(app.arguments(), true))
        return *exitCode;
    const TCommandLine commandLine(app.arguments());
    // The history is exported without a window or the web engine.
    if (!commandLine.ExportHistoryFile().isEmpty())
        return ExportHistoryCommand(commandLine.ExportHistoryFile());
    // A batch comparison's shops and file are checked before anything starts.
    QStringList batchShops;
    if (commandLine.BatchRequested()) {
        QString error;
        batchShops = TBatchCompare::ResolveShops(LoadShopCatalogueText(), commandLine.Shops(), error);
        if (error.isEmpty() && !TBatchCompare::CanWrite(commandLine.PricesFile()))
            error = QStringLiteral("Cannot write '%1'.").arg(commandLine.PricesFile());
        if (!error.isEmpty()) {
            std::fputs(qPrintable(QStringLiteral("vanzu: %1\n").arg(error)), stderr);
            return 2;
        }
    }
    // The browser views' process-wide set-up, undone when the program ends.
    TBrowserProcess browserProcess;
    TFrm_Main window;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           app.primaryScreen()->availableGeometry()));
    window.show();
    TBatchCompare *batch = nullptr;
    TCheckWatchesCommand *checkWatches = nullptr;
    if (commandLine.BatchRequested()) {
        window.HistoryKeeper()->SetUnattended(true);
        window.HistoryKeeper()->Open(TPriceHistory::DefaultPath(), false);
        batch = new TBatchCompare(&window, batchShops, commandLine.Keyword(), commandLine.PricesFile(),
                                  commandLine.WaitSeconds());
        QMetaObject::invokeMethod(batch, &TBatchCompare::Start, Qt::QueuedConnection);
    } else if (commandLine.CheckWatchesRequested()) {
        checkWatches = new TCheckWatchesCommand(&window, commandLine.WaitSeconds());
        QMetaObject::invokeMethod(checkWatches, &TCheckWatchesCommand::Start, Qt::QueuedConnection);
    } else {
        window.HistoryKeeper()->Open(TPriceHistory::DefaultPath(), true);
    }
    const int status = app.exec();
    return batch ? batch->ExitStatus() : checkWatches ? checkWatches->ExitStatus() : status;
}
