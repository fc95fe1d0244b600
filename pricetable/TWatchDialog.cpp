#include "TWatchDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>

TWatchDialog::TWatchDialog(const QString &name, qint64 targetFen, bool notifyNewLow, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgWatch"));
    setWindowTitle(QStringLiteral("关注商品"));
    auto *product = new QLabel(this);
    product->setTextFormat(Qt::PlainText); // a name read from a shop's page
    product->setWordWrap(true);
    product->setText(name.left(200));
    m_target = new QDoubleSpinBox(this);
    m_target->setObjectName(QStringLiteral("EdtTarget"));
    m_target->setPrefix(QStringLiteral("¥"));
    m_target->setDecimals(2);
    m_target->setRange(0.01, 99999999.99);
    m_target->setValue(double(std::max<qint64>(targetFen, 1)) / 100.0);
    m_target->setAccessibleName(QStringLiteral("提醒价格"));
    m_newLow = new QCheckBox(QStringLiteral("创历史新低时也提醒"), this);
    m_newLow->setChecked(notifyNewLow);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("商品："), product);
    auto *targetLabel = new QLabel(QStringLiteral("价格低于(&P)："), this);
    targetLabel->setBuddy(m_target);
    form->addRow(targetLabel, m_target);
    form->addRow(QString(), m_newLow);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("关注"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

qint64 TWatchDialog::TargetFen() const
{
    return qint64(std::llround(m_target->value() * 100.0));
}

bool TWatchDialog::NotifyNewLow() const
{
    return m_newLow->isChecked();
}
