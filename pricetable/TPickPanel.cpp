#include "TPickPanel.h"

#include "TPriceParser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 300;
constexpr int kMargin = 8;

QLabel *PlainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}
} // namespace

TPickPanel::TPickPanel(const QString &shop, QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pPick"));
    setAccessibleName(QStringLiteral("教我读网店"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFixedWidth(kWidth);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    QLabel *title = PlainLabel(this);
    title->setText(QStringLiteral("教我读「%1」").arg(shop));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    m_step = PlainLabel(this);
    m_step->setObjectName(QStringLiteral("pickStep"));
    layout->addWidget(m_step);
    m_problem = PlainLabel(this);
    m_problem->setStyleSheet(QStringLiteral("color: #c00000"));
    layout->addWidget(m_problem);
    QLabel *legend = PlainLabel(this);
    legend->setText(QStringLiteral("页面上：橙框为认出的商品，蓝框为名称，红框为价格。"));
    legend->setStyleSheet(QStringLiteral("color: palette(mid)"));
    layout->addWidget(legend);
    m_countLabel = PlainLabel(this);
    m_countLabel->setObjectName(QStringLiteral("pickCount"));
    layout->addWidget(m_countLabel);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("pickOffers"));
    m_list->setAccessibleName(QStringLiteral("认出的商品"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("商品"), QStringLiteral("价格")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->setFixedHeight(
        m_list->header()->sizeHint().height() + ListedOffers * m_list->fontMetrics().height() * 3 / 2 + 6);
    layout->addWidget(m_list);

    auto *buttons = new QHBoxLayout;
    m_repick = new QPushButton(QStringLiteral("重新选择"), this);
    m_confirm = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_repick->setToolTip(QStringLiteral("重新点击商品名称和价格"));
    m_confirm->setToolTip(QStringLiteral("记下这个网店的读法，并重新读取它的结果页"));
    m_cancel->setToolTip(QStringLiteral("结束选择，不作改动 (Esc)"));
    buttons->addWidget(m_repick);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_repick, &QPushButton::clicked, this, &TPickPanel::repickClicked);
    connect(m_confirm, &QPushButton::clicked, this, &TPickPanel::confirmClicked);
    connect(m_cancel, &QPushButton::clicked, this, &TPickPanel::cancelClicked);
    if (parent)
        parent->installEventFilter(this);
    ShowStep(PickName);
    place();
}

void TPickPanel::ShowStep(Step step, const QString &problem)
{
    switch (step) {
    case PickName:
        m_step->setText(QStringLiteral("第一步：在页面上点击一件商品的名称。"));
        break;
    case PickPrice:
        m_step->setText(QStringLiteral("第二步：点击这件商品的价格。"));
        break;
    case Result:
        m_step->setText(QStringLiteral("这些商品读得对吗？对就按“确定”，否则“重新选择”。"));
        break;
    }
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (step != Result) {
        m_count = 0;
        m_countLabel->clear();
        m_list->clear();
    }
    m_countLabel->setVisible(step == Result);
    m_list->setVisible(step == Result);
    m_repick->setEnabled(step != PickName);
    m_confirm->setEnabled(step == Result && m_count > 0);
    adjustSize();
    place();
}

void TPickPanel::ShowOffers(const QList<TOffer> &offers)
{
    m_count = int(offers.size());
    m_countLabel->setText(m_count == 0 ? QStringLiteral("按所选的名称和价格没有读到商品。")
                                       : QStringLiteral("读到 %1 件商品：").arg(m_count));
    m_list->clear();
    for (const TOffer &offer : offers.mid(0, ListedOffers)) {
        // QTreeWidgetItem shows its text as it is: never as markup.
        auto *item
            = new QTreeWidgetItem(m_list, {offer.Name, QStringLiteral("¥") + PriceText(offer.PriceFen)});
        item->setToolTip(0, offer.Name.toHtmlEscaped());
    }
    m_confirm->setEnabled(m_count > 0);
}

bool TPickPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QFrame::eventFilter(watched, event);
}

void TPickPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit cancelClicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void TPickPanel::place()
{
    if (!parentWidget())
        return;
    resize(kWidth, sizeHint().height());
    move(qMax(0, parentWidget()->width() - width() - kMargin - 16), kMargin); // clear of the scroll bar
    raise();
}
