#include "TProgressPane.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace {
// Each repaint of the pane has the whole window composed anew: the web engine's views are
// drawn with OpenGL, in software where there is no graphics driver. A page reports its progress
// in many small steps, and the start page's load is over in a moment; a repaint for each step,
// and the pane flashing up for the start page, held the window up while the page loaded, its
// title waiting behind them.
constexpr int kRepaintMs = 100;
} // namespace

TProgressPane::TProgressPane(QWidget *parent) : QWidget(parent)
{
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
    m_appear.setSingleShot(true);
    m_appear.setInterval(kRepaintMs);
    connect(&m_appear, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });
    m_repaint.setSingleShot(true);
    connect(&m_repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void TProgressPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Not yet: the pane's place is drawn as it was until the time is up.
    setUpdatesEnabled(false);
    m_appear.start();
}

void TProgressPane::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_appear.stop();
    setUpdatesEnabled(true);
}

void TProgressPane::SetTotalParts(int total)
{
    m_total = total;
    m_complete = 0;
    setPercent(0);
}

void TProgressPane::SetPartsComplete(int complete)
{
    // Compared unsigned, so a negative count is beyond every total and is clamped to it.
    if (quint32(complete) > quint32(m_total))
        complete = m_total;
    m_complete = complete;
    if (m_total == 0)
        return;
    const qint64 numerator = qint64(m_complete) * 100;
    const qint64 quotient = numerator / m_total;
    const qint64 twiceRemainder = 2 * (numerator % m_total);
    qint64 rounded = quotient;
    if (twiceRemainder > m_total || (twiceRemainder == m_total && (quotient % 2) != 0))
        ++rounded;
    setPercent(int(rounded));
}

void TProgressPane::setPercent(int percent)
{
    if (percent == m_percent)
        return;
    m_percent = percent;
    scheduleRepaint();
    emit percentChanged(percent);
}

void TProgressPane::scheduleRepaint()
{
    const qint64 since = m_painted.isValid() ? m_painted.elapsed() : qint64(kRepaintMs);
    if (since >= kRepaintMs)
        update();
    else if (!m_repaint.isActive())
        m_repaint.start(int(kRepaintMs - since));
}

QSize TProgressPane::sizeHint() const
{
    return QSize(100, 17);
}

void TProgressPane::paintEvent(QPaintEvent *)
{
    m_painted.start();
    QPainter painter(this);
    QStyleOptionProgressBar option;
    option.initFrom(this);
    // Without it the style draws a vertical bar that fills upwards and leaves out the text.
    option.state |= QStyle::State_Horizontal;
    option.rect = rect().adjusted(1, 1, -1, -1);
    option.minimum = 0;
    option.maximum = 100;
    option.progress = qBound(0, m_percent, 100);
    option.text = QString::number(m_percent) + QLatin1Char('%');
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}
