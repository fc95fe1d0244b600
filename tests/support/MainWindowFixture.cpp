#include "MainWindowFixture.h"

#include "TabTextRules.h"
#include "WaitUntil.h"

#include <QtTest>

bool MainWindowFixture::openMainWindow(int wait, const QString &historyFile)
{
    closeMainWindow();
    m_window = new TFrm_Main;
    m_window->SetHistoryFilePath(
        historyFile.isEmpty() ? m_dir.filePath(QStringLiteral("kd.db")) : historyFile);
    m_window->show();
    m_startWatch = std::make_unique<TabWatch>(active());
    if (wait & Active)
        m_window->activateWindow(); // there may be no window manager to do it
    if (!((wait & Active) ? QTest::qWaitForWindowActive(m_window) : QTest::qWaitForWindowExposed(m_window)))
        return false;
    return !(wait & StartPage)
        || WaitUntil([this] { return m_startWatch->settledOn(kDefaultCaption); }, kLoad);
}

void MainWindowFixture::closeMainWindow()
{
    delete m_window;
    m_startWatch.reset();
}

bool MainWindowFixture::serveEveryHost(const TestHttpServer::Handler &fallback)
{
    if (!m_server.listen())
        return false;
    m_server.setFallback(fallback);
    routeAllHostsTo(m_server.port());
    return true;
}
