#include "TApplication.h"
#include "TBatchCompare.h"
#include "TBrowserHooks.h"
#include "TCommandLine.h"
#include "TShopCatalogue.h"
#include "U_Main.h"

#include <QScreen>
#include <QStyle>

#include <cstdio>

int main(int argc, char *argv[])
{
    // --version and --help need no display: they are answered before the window system starts.
    if (const std::optional<int> exitCode = AnswerCommandLine(CommandLineArguments(argc, argv), false))
        return *exitCode;
    TApplication app(argc, argv);
    if (const std::optional<int> exitCode = AnswerCommandLine(app.arguments(), true))
        return *exitCode;
    // A batch comparison's shops and file are checked before anything starts.
    const TCommandLine commandLine(app.arguments());
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
    if (commandLine.BatchRequested()) {
        auto *batch = new TBatchCompare(&window, batchShops, commandLine.Keyword(), commandLine.PricesFile(),
                                        commandLine.WaitSeconds());
        QMetaObject::invokeMethod(batch, &TBatchCompare::Start, Qt::QueuedConnection);
    }
    return app.exec();
}
