#include "EnableClearButtonLater.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace {
// Waits for the edit's first show or for the delay, gives it the button and goes.
class TClearButtonLater : public QObject
{
public:
    explicit TClearButtonLater(QLineEdit *edit) : QObject(edit), m_edit(edit)
    {
        edit->installEventFilter(this);
        QTimer::singleShot(ClearButtonDelayMs, this, &TClearButtonLater::Give);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_edit && event->type() == QEvent::Show)
            Give();
        return false;
    }

private:
    void Give()
    {
        m_edit->removeEventFilter(this);
        m_edit->setClearButtonEnabled(true);
        deleteLater();
    }

    QLineEdit *m_edit;
};
} // namespace

void EnableClearButtonLater(QLineEdit *edit)
{
    if (edit->isVisible())
        edit->setClearButtonEnabled(true);
    else
        new TClearButtonLater(edit);
}
