#include "TApplication.h"

#include "Images.h"
#include "MessageBoxes.h"
#include "U_Pub.h"

#include <QLibraryInfo>
#include <QLocale>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vanzu小精灵V2"));
    setApplicationDisplayName(QString()); // the window caption is the title itself, nothing added
    setApplicationVersion(QStringLiteral(VANZU_VERSION));
    // Every window and box shows the program's icon; the desktop finds the installed entry.
    setWindowIcon(AppIcon());
    setDesktopFileName(QStringLiteral(VANZU_APP_ID));
    // "qt_zh_CN" takes in the catalogues of Qt's modules: the file, print and message dialogs.
    // Without them (the translations are a package of their own) the dialogs stay in English.
    if (m_qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&m_qtTranslator);
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
