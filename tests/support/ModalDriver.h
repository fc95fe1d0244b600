#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
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

// Records every message box that shows up, as "title:text", and answers it with OK; with
// `anyModal`, every other modal window too, as "class:title", closed. For the tests where a box
// must, or must not, reach the user.
class ModalLog : public QObject
{
public:
    explicit ModalLog(bool anyModal = false)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, anyModal] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                texts.append(box->windowTitle() + QLatin1Char(':') + box->text());
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->close();
            } else if (modal && anyModal) {
                texts.append(QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char(':')
                    + modal->windowTitle());
                modal->close();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};
