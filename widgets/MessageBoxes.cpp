#include "MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>

namespace {
// Shows `box` modally and deletes it; returns the button pressed, or `gone` when the box went
// with its owner before it was answered. The box is owned by the active window, so it is modal
// to it and centred over it; that window may be destroyed while the box is open (a page leaving
// full screen, say), and takes the box with it. The focus returns where it was.
int execBox(QMessageBox *box, int gone)
{
    QPointer<QWidget> focus = QApplication::focusWidget();
    QPointer<QMessageBox> alive(box);
    const int pressed = box->exec();
    const bool answered = !alive.isNull();
    delete alive.data();
    if (focus)
        focus->setFocus();
    return answered ? pressed : gone;
}
} // namespace

int MsgBox(const QString &text, const QString &caption, int flags)
{
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape = QMessageBox::Ok; // what Esc would have answered
    switch (flags) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; escape = QMessageBox::Cancel; break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; escape = QMessageBox::No; break;
    default: buttons = QMessageBox::Ok; break;
    }
    auto *box = new QMessageBox(QMessageBox::Information, caption, text, buttons, QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText); // a message may quote an address or other text of a page
    switch (execBox(box, escape)) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

void ShowMsg(const QString &text)
{
    MsgBox(text, QStringLiteral("提示"), MB_OK);
}

void ShowAbout(const QString &text)
{
    auto *box = new QMessageBox(
        QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::Ok, QApplication::activeWindow());
    const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
    box->setIconPixmap(QApplication::windowIcon().pixmap(QSize(size, size), box->devicePixelRatio()));
    execBox(box, QMessageBox::Ok);
}
