#pragma once

// With the fixture come the start of the engine tests, and the window's parts and widgets that
// its tests reach into.
#include "TBrowserView.h"
#include "TPageControl.h"
#include "TTabSheetEx.h"
#include "TabWatch.h"
#include "TestHttpServer.h"
#include "TestMain.h"
#include "U_Main.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

// The main window as the tests open it, with the loopback server its pages come from. A test
// class derives from it, or a test makes one of its own for a window that lives as long as it.
class MainWindowFixture
{
public:
    static constexpr int kLoad = 30000; // the longest a page takes to load; the first starts the engine

    MainWindowFixture() = default;
    ~MainWindowFixture() { closeMainWindow(); }
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;

    // What openMainWindow() waits for, besides the window being on screen.
    enum Wait { Exposed = 0, StartPage = 1, Active = 2 };
    // Makes the window, its keyword history in `historyFile` (else kd.db in the scratch folder),
    // shows it and waits: with StartPage until the start page's title has reached the window and
    // its load has ended (a late report of it would otherwise meet the test's first steps), with
    // Active until it is the active window. False when that never came.
    bool openMainWindow(int wait = StartPage, const QString &historyFile = QString());
    void closeMainWindow();

    // The server listens, answers with `fallback` what it has no page for, and takes every host
    // the engine looks up: called before the first window, as the engine reads it at its start.
    bool serveEveryHost(const TestHttpServer::Handler &fallback);

    QString url(const QByteArray &path) const { return QString::fromLatin1(m_server.baseUrl() + path); }
    int requestsFor(const QByteArray &target) const { return int(m_server.requestTargets().count(target)); }
    TTabSheetEx *active() const { return m_window->ActiveTab(); }
    static QString captionOf(TTabSheet *tab) { return tab ? tab->Caption() : QStringLiteral("<none>"); }
    TTabSheetEx *tab(int i) const { return qobject_cast<TTabSheetEx *>(m_window->PageControl1->PageAt(i)); }

    TestHttpServer m_server;
    QTemporaryDir m_dir; // the history file, and what else a test writes
    QPointer<TFrm_Main> m_window;
    std::unique_ptr<TabWatch> m_startWatch; // the start tab, from the moment the window is shown
};
