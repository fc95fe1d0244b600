#pragma once

#include "TBrowserView.h"
#include "TTabSheetEx.h"

#include <QPointer>
#include <QStringList>
#include <functional>

// What a tab shows while it changes: every caption it takes, starting with the one it has, and
// every title its view reports to the window. The engine knows a title a moment before it
// reports it, so a test that goes on before the report has arrived may meet it later.
class TabWatch
{
public:
    explicit TabWatch(TTabSheetEx *tab) : m_view(tab->Browser), m_bound(tab->Browser->OnTitleChange)
    {
        captions.append(tab->Caption());
        m_connection = QObject::connect(
            tab, &TTabSheet::captionChanged, [this](const QString &c) { captions.append(c); });
        m_view->OnTitleChange = [this](QObject *sender, const QString &text) {
            titles.append(text);
            if (m_bound)
                m_bound(sender, text);
        };
    }
    ~TabWatch()
    {
        QObject::disconnect(m_connection);
        if (m_view)
            m_view->OnTitleChange = m_bound;
    }
    TabWatch(const TabWatch &) = delete;
    TabWatch &operator=(const TabWatch &) = delete;

    // The view has reported the title to the window and its load has ended, with every report
    // that the end brings (progress, status text, buttons) delivered.
    bool settledOn(const QString &title) const
    {
        return titles.contains(title) && m_view && !m_view->Busy();
    }

    QStringList captions;
    QStringList titles;

private:
    QPointer<TBrowserView> m_view;
    std::function<void(QObject *, const QString &)> m_bound;
    QMetaObject::Connection m_connection;
};
