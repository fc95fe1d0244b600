#pragma once

#include "TBrowserView.h"
#include "WaitUntil.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <optional>

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

// Clicks the link at `pos` with the mouse once the page takes input there, as the user does.
inline bool ClickLink(TBrowserView *view, const QPoint &pos)
{
    if (!PointAtLink(view, pos))
        return false;
    QTest::mouseClick(view->EngineView()->focusProxy(), Qt::LeftButton, {}, pos);
    return true;
}

// Runs `script` in the view's page and returns its result, or nothing when none came in 10 s.
inline QVariant RunScript(TBrowserView *view, const QString &script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    view->EngineView()->page()->runJavaScript(script, [result](const QVariant &value) { *result = value; });
    if (!WaitUntil([result] { return result->has_value(); }, 10000))
        qWarning("script did not answer: %s", qPrintable(script.left(80)));
    return result->value_or(QVariant());
}

// Clicks the middle of the page's element that the script expression `element` gives, with the
// mouse, as the user does.
inline bool ClickElement(TBrowserView *view, const QString &element)
{
    const QString script = QStringLiteral("(function () { var r = (%1).getBoundingClientRect();"
                                          " return [r.x + r.width / 2, r.y + r.height / 2]; })()");
    const QVariantList box = RunScript(view, script.arg(element)).toList();
    const QPoint centre(int(box.value(0).toDouble()), int(box.value(1).toDouble()));
    return box.size() == 2 && ClickLink(view, centre);
}
