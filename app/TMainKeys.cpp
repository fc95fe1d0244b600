#include "TMainKeys.h"

#include "TBrowserView.h"
#include "TFindBar.h"
#include "TPageControl.h"
#include "TTabSheetEx.h"
#include "U_Main.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

TMainKeys::TMainKeys(TFrm_Main *window) : QObject(window), m_window(window)
{
    TFindBar *find = window->FindBar1;
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_F)}, [find] { find->Open(); });
    addKeys({QKeySequence(Qt::Key_F3)}, [find] { find->FindNext(); });
    addKeys({QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [find] { find->FindPrevious(); });

    // The close path of the tab's close button: the tab to the left comes next, and the last
    // tab returns to the start page.
    TPageControl *tabs = window->PageControl1;
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_W)}, [tabs] { tabs->CloseActiveTab(); });
    for (int i = 0; i < 8; ++i)
        addKeys({QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i))}, [this, i] { selectTab(i); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_9)}, [this] { selectTab(-1); });

    addButtonKeys({QKeySequence(Qt::ALT | Qt::Key_Left)}, window->btnBack);
    addButtonKeys({QKeySequence(Qt::ALT | Qt::Key_Right)}, window->btnForward);
    addButtonKeys({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}, window->BtnRfsh);
    addButtonKeys({QKeySequence(Qt::Key_Escape)}, window->btnStop);

    addKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { zoom(1); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { zoom(-1); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { zoom(0); });

    m_zoomNote.setSingleShot(true);
    m_zoomNote.setInterval(2000);
    connect(&m_zoomNote, &QTimer::timeout, this, [this] {
        if (m_window->sBarStus->text() == m_zoomText)
            m_window->sBarStus->clear();
    });
    // The mouse's buttons and the buttons' enabled states, wherever they arise.
    qApp->installEventFilter(this);
}

QAction *TMainKeys::addKeys(const QList<QKeySequence> &keys, std::function<void()> run)
{
    auto *action = new QAction(this);
    action->setShortcuts(keys);
    // Window shortcuts reach no window behind a modal dialog; the check covers the keys a
    // dialog does not hold itself.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] {
        if (!QApplication::activeModalWidget())
            run();
    });
    m_window->addAction(action);
    return action;
}

void TMainKeys::addButtonKeys(const QList<QKeySequence> &keys, QToolButton *button)
{
    QAction *action = addKeys(keys, [button] { button->click(); });
    // A disabled key is left to the page: Esc, for one, closes many a page's own pop-ups.
    action->setEnabled(button->isEnabled());
    m_buttonKeys.insert(button, action);
}

void TMainKeys::selectTab(int index)
{
    TPageControl *tabs = m_window->PageControl1;
    if (index < 0)
        index = tabs->TabCount() - 1;
    if (index < tabs->TabCount())
        tabs->SetTabIndex(index);
}

void TMainKeys::zoom(int steps)
{
    TTabSheetEx *tab = m_window->ActiveTab();
    if (!tab)
        return;
    TBrowserView *view = tab->Browser;
    view->setZoom(steps == 0 ? 100 : TBrowserView::ZoomLevel(view->zoom(), steps));
    m_zoomText = QStringLiteral("缩放：%1%").arg(view->zoom());
    m_window->sBarStus->setText(m_zoomText);
    m_zoomNote.start();
}

bool TMainKeys::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (QAction *action = m_buttonKeys.value(qobject_cast<QToolButton *>(watched)))
            action->setEnabled(static_cast<QWidget *>(watched)->isEnabled());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (button != Qt::BackButton && button != Qt::ForwardButton)
            break;
        if (!watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != m_window
            || QApplication::activeModalWidget())
            break;
        // Taken on the press; the rest of the click is swallowed too, so that no page acts on it.
        if (event->type() == QEvent::MouseButtonPress)
            (button == Qt::BackButton ? m_window->btnBack : m_window->btnForward)->click();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
