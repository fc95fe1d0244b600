#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs `act` on the active modal window once `ready` holds for it: the way tests drive the
// dialogs and message boxes that the program runs modally.
class ModalDriver : public QObject
{
public:
    ModalDriver(std::function<bool(QWidget *)> ready, std::function<void(QWidget *)> act)
        : m_ready(std::move(ready)), m_act(std::move(act))
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !m_ready(modal))
                return;
            m_timer.stop();
            ++acted;
            className = QString::fromLatin1(modal->metaObject()->className());
            m_act(modal);
        });
        m_timer.start();
    }
    int acted = 0;
    QString className; // of the window acted on

private:
    QTimer m_timer;
    std::function<bool(QWidget *)> m_ready;
    std::function<void(QWidget *)> m_act;
};
