#include "TApplication.h"

#include "Images.h"
#include "U_Pub.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vanzu小精灵V2"));
    setApplicationDisplayName(QString()); // the window caption is the title itself, nothing added
    setApplicationVersion(QStringLiteral(VANZU_VERSION));
    // Every window and box shows the program's icon; the desktop finds the installed entry.
    setWindowIcon(AppIcon());
    setDesktopFileName(QStringLiteral(VANZU_APP_ID));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        HandleException(error);
    } catch (...) {
        HandleException(std::runtime_error("未知错误"));
    }
    return false;
}

void TApplication::HandleException(const std::exception &error)
{
    ShowMsg(QString::fromUtf8(error.what()));
}
