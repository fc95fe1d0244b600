#include "TApplication.h"
#include "TBrowserHooks.h"
#include "U_Main.h"

#include <QScreen>
#include <QStyle>

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    // The browser views' process-wide set-up, undone when the program ends.
    TBrowserProcess browserProcess;
    TFrm_Main window;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           app.primaryScreen()->availableGeometry()));
    window.show();
    return app.exec();
}
