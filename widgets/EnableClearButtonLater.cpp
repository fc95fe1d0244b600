#include "EnableClearButtonWhenShown.h"

#include <QEvent>
#include <QLineEdit>

namespace {
// Waits for the edit's first show, gives it the button and goes.
class TClearButtonOnShow : public QObject
{
public:
    explicit TClearButtonOnShow(QLineEdit *edit) : QObject(edit), m_edit(edit)
    {
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_edit && event->type() == QEvent::Show) {
            m_edit->removeEventFilter(this);
            m_edit->setClearButtonEnabled(true);
            deleteLater();
        }
        return false;
    }

private:
    QLineEdit *m_edit;
};
} // namespace

void EnableClearButtonWhenShown(QLineEdit *edit)
{
    if (edit->isVisible())
        edit->setClearButtonEnabled(true);
    else
        new TClearButtonOnShow(edit);
}
