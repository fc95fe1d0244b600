#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QTimer>

#include <functional>

class QAction;
class QToolButton;
class TFrm_Main;

// The keys every browser user reaches for, and the mouse's back and forward buttons, on the main
// window: find in page, closing and choosing tabs, back, forward, refresh, stop and zoom. They
// work wherever the focus is inside the window, page content included, and never while a modal
// dialog is open. The navigation keys act through the toolbar buttons' handlers, and only while
// the matching button is enabled.
class TMainKeys : public QObject
{
    Q_OBJECT
public:
    explicit TMainKeys(TFrm_Main *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addKeys(const QList<QKeySequence> &keys, std::function<void()> run);
    // The keys press `button`, and are enabled exactly while it is.
    void addButtonKeys(const QList<QKeySequence> &keys, QToolButton *button);
    void selectTab(int index); // -1: the last tab
    void zoom(int steps); // 0: back to 100 %

    TFrm_Main *m_window;
    QHash<QToolButton *, QAction *> m_buttonKeys;
    QTimer m_zoomNote; // how long the status pane shows a new zoom level
    QString m_zoomText;
};
