#include "TApplication.h"
#include "TBrowserHooks.h"
#include "TCommandLine.h"
#include "U_Main.h"

#include <QScreen>
#include <QStyle>

int main(int argc, char *argv[])
{
    // --version and --help need no display: they are answered before the window system starts.
    if (const std::optional<int> exitCode = AnswerCommandLine(CommandLineArguments(argc, argv), false))
        return *exitCode;
    TApplication app(argc, argv);
    if (const std::optional<int> exitCode = AnswerCommandLine(app.arguments(), true))
        return *exitCode;
    // The browser views' process-wide set-up, undone when the program ends.
    TBrowserProcess browserProcess;
    TFrm_Main window;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           app.primaryScreen()->availableGeometry()));
    window.show();
    return app.exec();
}
