#pragma once

#include "TBrowserView.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <algorithm>

// Moves the pointer over the link at `pos` until the page reports it, for at most `timeoutMs`:
// from then on the page takes mouse input there.
inline bool PointAtLink(TBrowserView *view, const QPoint &pos, int timeoutMs = 5000)
{
    QSignalSpy hovered(view->EngineView()->page(), &QWebEnginePage::linkHovered);
    const QPointer<TBrowserView> alive(view);
    int step = 0;
    return QTest::qWaitFor(
            [&] {
                // Asked anew each time: the engine replaces the widget that takes the page's
                // input when the page moves to another renderer process.
                QWidget *page = alive && alive->EngineView() ? alive->EngineView()->focusProxy() : nullptr;
                if (!page)
                    return false;
                QTest::mouseMove(page, pos + QPoint(++step % 2, 0));
                return std::any_of(hovered.cbegin(), hovered.cend(),
                                   [](const QList<QVariant> &args) { return !args.at(0).toString().isEmpty(); });
            },
            timeoutMs);
}
