#include "TFindBar.h"

#include "EnableClearButtonLater.h"
#include "TBrowserHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEngineView>

namespace {
QWebEnginePage *PageOf(TBrowserHost *view)
{
    return view && view->EngineView() ? view->EngineView()->page() : nullptr;
}

bool IsEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

TFindBar::TFindBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("FindBar1"));
    setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    row->addWidget(new QLabel(QStringLiteral("查找"), this));
    EdtFind = new QLineEdit(this);
    EdtFind->setObjectName(QStringLiteral("EdtFind"));
    EdtFind->setFixedWidth(200);
    EnableClearButtonLater(EdtFind); // the bar starts hidden
    EdtFind->installEventFilter(this);
    row->addWidget(EdtFind);
    auto makeButton = [this, row](const QString &name, const QString &caption, const QString &hint) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(caption);
        button->setToolTip(hint);
        button->setStatusTip(hint);
        button->setAutoRaise(true);
        row->addWidget(button);
        return button;
    };
    BtnPrevious = makeButton(
        QStringLiteral("BtnPrevious"), QStringLiteral("上一个"), QStringLiteral("上一个 (Shift+F3)"));
    BtnNext = makeButton(QStringLiteral("BtnNext"), QStringLiteral("下一个"), QStringLiteral("下一个 (F3)"));
    cbMatchCase = new QCheckBox(QStringLiteral("区分大小写"), this);
    cbMatchCase->setObjectName(QStringLiteral("cbMatchCase"));
    row->addWidget(cbMatchCase);
    lbCount = new QLabel(this);
    lbCount->setObjectName(QStringLiteral("lbCount"));
    lbCount->setTextFormat(Qt::PlainText);
    row->addWidget(lbCount, 1);
    BtnClose
        = makeButton(QStringLiteral("BtnClose"), QStringLiteral("关闭"), QStringLiteral("关闭查找栏 (Esc)"));
    hide();

    connect(EdtFind, &QLineEdit::textEdited, this, [this] { Find(false, false); });
    connect(BtnNext, &QToolButton::clicked, this, &TFindBar::FindNext);
    connect(BtnPrevious, &QToolButton::clicked, this, &TFindBar::FindPrevious);
    connect(cbMatchCase, &QCheckBox::toggled, this, [this] { Find(false, true); });
    connect(BtnClose, &QToolButton::clicked, this, &TFindBar::Close);
}

QString TFindBar::CountText(int activeMatch, int matches)
{
    if (matches <= 0)
        return QStringLiteral("没有找到");
    return QStringLiteral("第 %1 个，共 %2 个").arg(activeMatch).arg(matches);
}

void TFindBar::SetView(TBrowserHost *view)
{
    if (view == m_view)
        return;
    clearHighlights(m_view);
    m_view = view;
    if (isVisible())
        Find(false, true);
}

void TFindBar::Open()
{
    show();
    EdtFind->setFocus(Qt::ShortcutFocusReason);
    EdtFind->selectAll();
    Find(false, true);
}

void TFindBar::Close()
{
    if (isHidden())
        return;
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    hide();
    ++m_request;
    lbCount->clear();
    clearHighlights(m_view);
    if (hadFocus && m_view)
        m_view->setFocus(Qt::OtherFocusReason); // the view hands it on to its page
}

void TFindBar::FindNext()
{
    if (isHidden())
        Open();
    else
        Find(false, false);
}

void TFindBar::FindPrevious()
{
    if (isHidden())
        Open();
    else
        Find(true, false);
}

void TFindBar::Find(bool backward, bool restart)
{
    const int request = ++m_request;
    QWebEnginePage *page = PageOf(m_view);
    const QString text = EdtFind->text();
    if (!page || text.isEmpty()) {
        lbCount->clear();
        if (page)
            page->findText(QString()); // clears the highlights
        return;
    }
    // The engine goes on from the current match while the text stays the same; an empty
    // search ends the old one.
    if (restart)
        page->findText(QString());
    QWebEnginePage::FindFlags flags;
    if (backward)
        flags |= QWebEnginePage::FindBackward;
    if (cbMatchCase->isChecked())
        flags |= QWebEnginePage::FindCaseSensitively;
    QPointer<TFindBar> self(this);
    page->findText(text, flags, [self, request](const QWebEngineFindTextResult &result) {
        if (self && request == self->m_request)
            self->lbCount->setText(CountText(result.activeMatch(), result.numberOfMatches()));
    });
}

void TFindBar::clearHighlights(TBrowserHost *view)
{
    if (QWebEnginePage *page = PageOf(view))
        page->findText(QString());
}

bool TFindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EdtFind
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        const bool ours = (key->key() == Qt::Key_Escape && !shift) || IsEnter(key);
        if (ours && event->type() == QEvent::ShortcutOverride) {
            // The bar's own keys: no shortcut of the window (Esc stops a load) takes them here.
            event->accept();
            return true;
        }
        if (ours) {
            if (key->key() == Qt::Key_Escape)
                Close();
            else
                Find(shift, false);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
