// The yardstick for the program's start-up: a bare QWebEngineView window of the program's size
// showing the same start page the same way. Prints "ready" when the page's title arrives.
#include "U_Pub.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(971, 536);
    view.setGeometry(QStyle::alignedRect(
        Qt::LeftToRight, Qt::AlignCenter, view.size(), app.primaryScreen()->availableGeometry()));
    QObject::connect(&view, &QWebEngineView::titleChanged, &app, [](const QString &title) {
        if (title == QStringLiteral("默认")) {
            std::puts("ready");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
    });
    view.show();
    view.setContent(ToGbk(LoadTextResource(QStringLiteral("init_htm"), QStringLiteral("htm"))),
        QStringLiteral("text/html;charset=GBK"), QUrl(QStringLiteral("about:blank")));
    QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(1); });
    return app.exec();
}
