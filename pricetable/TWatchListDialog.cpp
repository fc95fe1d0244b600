#include "TWatchListDialog.h"

#include "TPriceHistory.h"
#include "TWatchDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { ColName, ColTarget, ColLast, ColLowest, ColChecked, ColumnCount };

QString yuanOrDash(qint64 fen)
{
    return fen > 0 ? YuanText(fen) : QStringLiteral("—");
}
} // namespace

TWatchListDialog::TWatchListDialog(TPriceHistory *history, QWidget *parent) : QDialog(parent), m_history(history)
{
    setObjectName(QStringLiteral("dlgWatchList"));
    setWindowTitle(QStringLiteral("关注列表"));
    resize(720, 360);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("lvWatches"));
    m_table->setAccessibleName(QStringLiteral("关注的商品"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("商品"), QStringLiteral("提醒价格"), QStringLiteral("最新价"),
        QStringLiteral("历史最低"), QStringLiteral("上次检查")});
    m_table->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);

    m_edit = new QPushButton(QStringLiteral("修改(&E)…"), this);
    m_remove = new QPushButton(QStringLiteral("移除(&R)"), this);
    m_open = new QPushButton(QStringLiteral("打开报价(&O)"), this);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_edit);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_open);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *note = new QLabel(QStringLiteral("价格低于提醒价格时通知一次；回到提醒价格以上后再次提醒。"), this);
    note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QPushButton::clicked, this, &TWatchListDialog::editSelected);
    connect(m_remove, &QPushButton::clicked, this, &TWatchListDialog::removeSelected);
    connect(m_table, &QTableWidget::itemDoubleClicked, this, &TWatchListDialog::editSelected);
    connect(m_open, &QPushButton::clicked, this, [this] {
        const QString key = selectedKey();
        for (const TWatch &watch : m_history->Watches()) {
            if (watch.Key == key && watch.LastAddress.isValid())
                emit openOffer(watch.LastAddress);
        }
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const bool any = !selectedKey().isEmpty();
        m_edit->setEnabled(any);
        m_remove->setEnabled(any);
        m_open->setEnabled(any && !m_table->item(m_table->currentRow(), ColLast)->data(Qt::UserRole).toUrl().isEmpty());
    });
    connect(m_history, &TPriceHistory::recorded, this, &TWatchListDialog::Refresh);
    Refresh();
}

void TWatchListDialog::Refresh()
{
    const QString selected = selectedKey();
    const QList<TWatch> watches = m_history->Watches();
    m_table->setRowCount(int(watches.size()));
    const QLocale locale;
    for (int row = 0; row < watches.size(); ++row) {
        const TWatch &watch = watches.at(row);
        const QString checked = watch.LastChecked.isValid()
            ? locale.toString(watch.LastChecked.toLocalTime(), QStringLiteral("M月d日 HH:mm"))
            : QStringLiteral("还没有检查");
        QString last = yuanOrDash(watch.LastFen);
        if (watch.LastFen > 0 && !watch.LastShop.isEmpty())
            last += QStringLiteral("（%1）").arg(watch.LastShop);
        if (watch.LastFen > 0 && watch.LastFen < watch.TargetFen)
            last += QStringLiteral(" 已降到提醒价格以下");
        const QStringList texts {watch.Name, yuanOrDash(watch.TargetFen), last, yuanOrDash(watch.LowestFen), checked};
        for (int column = 0; column < ColumnCount; ++column) {
            // Names come from shops' pages: table items show plain text.
            auto *item = new QTableWidgetItem(texts.at(column));
            if (column == ColName)
                item->setData(Qt::UserRole, watch.Key);
            if (column == ColLast)
                item->setData(Qt::UserRole, watch.LastAddress);
            m_table->setItem(row, column, item);
        }
        if (watch.Key == selected)
            m_table->selectRow(row);
    }
    if (m_table->currentRow() < 0 && !watches.isEmpty())
        m_table->selectRow(0);
    emit m_table->itemSelectionChanged();
}

QString TWatchListDialog::selectedKey() const
{
    const QList<QTableWidgetItem *> items = m_table->selectedItems();
    if (items.isEmpty())
        return {};
    const QTableWidgetItem *name = m_table->item(items.constFirst()->row(), ColName);
    return name ? name->data(Qt::UserRole).toString() : QString();
}

void TWatchListDialog::editSelected()
{
    const QString key = selectedKey();
    for (TWatch watch : m_history->Watches()) {
        if (watch.Key != key)
            continue;
        TWatchDialog dialog(watch.Name, watch.TargetFen, watch.NotifyNewLow, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (dialog.TargetFen() != watch.TargetFen)
            watch.Armed = watch.LastFen <= 0 || watch.LastFen >= dialog.TargetFen(); // a new target, a new crossing
        watch.TargetFen = dialog.TargetFen();
        watch.NotifyNewLow = dialog.NotifyNewLow();
        m_history->SetWatch(watch);
        Refresh();
        return;
    }
}

void TWatchListDialog::removeSelected()
{
    const QString key = selectedKey();
    if (key.isEmpty())
        return;
    m_history->RemoveWatch(key);
    Refresh();
}
