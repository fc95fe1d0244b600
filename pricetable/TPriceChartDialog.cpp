#include "TPriceChartDialog.h"


#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineSeries>
#include <QMap>
#include <QPushButton>
#include <QScatterSeries>
#include <QSet>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
double yuan(qint64 fen)
{
    return double(fen) / 100.0;
}
} // namespace

TPriceChartDialog::TPriceChartDialog(const QString &name, const QList<TPricePoint> &points, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPriceChart"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The name comes from a shop's page: it goes only where text is plain (the title bar, a
    // plain-text label), never into the chart, whose texts are rich text.
    setWindowTitle(QStringLiteral("价格走势 - ") + name.left(60));
    resize(760, 460);

    auto *chart = new QChart;
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QMap<QString, QLineSeries *> lines; // by shop, in name order for a steady legend
    QSet<qint64> times;
    const TPricePoint *lowest = nullptr;
    for (const TPricePoint &point : points) {
        if (point.PriceFen <= 0)
            continue;
        QLineSeries *&line = lines[point.Shop];
        if (!line) {
            line = new QLineSeries;
            line->setName(point.Shop);
            line->setPointsVisible(true);
        }
        line->append(double(point.Time.toMSecsSinceEpoch()), yuan(point.PriceFen));
        times.insert(point.Time.toMSecsSinceEpoch());
        if (!lowest || point.PriceFen < lowest->PriceFen)
            lowest = &point;
    }

    auto *timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("M月d日"));
    timeAxis->setTitleText(QStringLiteral("日期"));
    auto *priceAxis = new QValueAxis;
    priceAxis->setLabelFormat(QStringLiteral("¥%.0f"));
    priceAxis->setTitleText(QStringLiteral("价格"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(priceAxis, Qt::AlignLeft);
    double low = 0, high = 0;
    qint64 first = 0, last = 0;
    bool any = false;
    for (QLineSeries *line : std::as_const(lines)) {
        chart->addSeries(line);
        line->attachAxis(timeAxis);
        line->attachAxis(priceAxis);
        for (const QPointF &p : line->points()) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            first = any ? std::min(first, qint64(p.x())) : qint64(p.x());
            last = any ? std::max(last, qint64(p.x())) : qint64(p.x());
            any = true;
        }
    }
    if (lowest) {
        auto *mark = new QScatterSeries;
        mark->setName(QStringLiteral("历史最低 ") + YuanText(lowest->PriceFen));
        mark->setMarkerShape(QScatterSeries::MarkerShapeStar);
        mark->setMarkerSize(18);
        mark->setColor(Qt::red);
        mark->append(double(lowest->Time.toMSecsSinceEpoch()), yuan(lowest->PriceFen));
        chart->addSeries(mark);
        mark->attachAxis(timeAxis);
        mark->attachAxis(priceAxis);
    }
    if (any) {
        // A little room around the points; a single day spans a day either side.
        const qint64 day = 24 * 3600 * 1000LL;
        const qint64 span = std::max<qint64>(last - first, day);
        timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(first - span / 20 - (first == last ? day : 0)),
            QDateTime::fromMSecsSinceEpoch(last + span / 20 + (first == last ? day : 0)));
        const double margin = std::max((high - low) * 0.1, std::max(high * 0.02, 1.0));
        priceAxis->setRange(std::max(0.0, std::floor(low - margin)), std::ceil(high + margin));
    }

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblChartSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    if (!lowest) {
        m_summary->setText(QStringLiteral("还没有这件商品的价格记录。"));
    } else if (times.size() == 1) {
        m_summary->setText(QStringLiteral("只在 %1 的一次比价中见过这件商品（%2 家网店），还看不出走势。")
                               .arg(QLocale().toString(lowest->Time.toLocalTime(), QStringLiteral("M月d日 HH:mm")))
                               .arg(lines.size()));
    } else {
        m_summary->setText(QStringLiteral("%1 次比价，%2 家网店；历史最低 %3（%4，%5）")
                               .arg(times.size())
                               .arg(lines.size())
                               .arg(YuanText(lowest->PriceFen),
                                   QLocale().toString(lowest->Time.toLocalTime(), QStringLiteral("M月d日")),
                                   lowest->Shop));
    }

    m_view = new QChartView(chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(QStringLiteral("价格走势图"));
    m_view->setAccessibleDescription(m_summary->text());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
}
