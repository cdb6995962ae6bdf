#include "widgets/balancechart.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

const QColor kCurveColour(0x0B, 0x57, 0xD0);
const QColor kDepositColour(0x80, 0x80, 0x80);
const QColor kLabelColour(0x40, 0x40, 0x40);
constexpr int kLabelPixels = 9;

// The balance's axis: a few round sums on the left.
QValueAxis *moneyAxis(double low, double high)
{
    auto *axis = new QValueAxis;
    axis->setRange(low, high);
    axis->setTickCount(3);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    QFont font = axis->labelsFont();
    font.setPixelSize(kLabelPixels);
    axis->setLabelsFont(font);
    axis->setLabelsColor(kLabelColour);
    axis->setGridLineColor(QColor(0xD8, 0xD8, 0xD8));
    axis->setLinePenColor(kDepositColour);
    return axis;
}

// The deals' axis: only a line; their numbers tell a trader nothing the curve does not.
QValueAxis *dealsAxis(double last)
{
    auto *axis = new QValueAxis;
    axis->setRange(0, last);
    axis->setTickCount(2);
    axis->setLabelsVisible(false);
    axis->setGridLineVisible(false);
    axis->setLinePenColor(kDepositColour);
    return axis;
}

QLineSeries *lineSeries(const QList<QPointF> &points, const QPen &pen)
{
    auto *series = new QLineSeries;
    series->append(points);
    series->setPen(pen);
    return series;
}

// The chart owns its series and axes.
QChart *balanceChart(const QList<double> &balance)
{
    auto *chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins(2, 4, 6, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);

    QList<QPointF> curve;
    curve.reserve(balance.size());
    for (qsizetype deal = 0; deal < balance.size(); ++deal)
        curve.append(QPointF(double(deal), balance.at(deal)));
    const double last = double(balance.size() - 1);
    const double deposit = balance.constFirst();
    QPen depositPen(kDepositColour, 1, Qt::DashLine);
    depositPen.setCosmetic(true);
    QPen curvePen(kCurveColour, 1.5);
    curvePen.setCosmetic(true);
    // The deposit first, so that the curve is drawn over it.
    auto *depositLine = lineSeries({QPointF(0, deposit), QPointF(last, deposit)}, depositPen);
    auto *balanceLine = lineSeries(curve, curvePen);
    chart->addSeries(depositLine);
    chart->addSeries(balanceLine);

    const auto [lowest, highest] = std::minmax_element(balance.cbegin(), balance.cend());
    // A flat curve still gets some height, so that it sits in the middle rather than on an edge.
    const double pad = std::max((*highest - *lowest) * 0.05, std::max(std::abs(deposit) * 0.01, 1.0));
    QValueAxis *deals = dealsAxis(last);
    QValueAxis *money = moneyAxis(*lowest - pad, *highest + pad);
    chart->addAxis(deals, Qt::AlignBottom);
    chart->addAxis(money, Qt::AlignLeft);
    for (QLineSeries *series : {depositLine, balanceLine}) {
        series->attachAxis(deals);
        series->attachAxis(money);
    }
    return chart;
}

} // namespace

QImage BalanceChart::render(const QList<double> &balance, qreal devicePixelRatio)
{
    if (balance.size() < 2)
        return {};
    QImage image(kSize * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);

    // A scene of its own, never shown: the chart is laid out at once and painted into the image.
    QGraphicsScene scene;
    QChart *chart = balanceChart(balance);
    scene.addItem(chart);
    const QRectF area(QPointF(0, 0), QSizeF(kSize));
    chart->setGeometry(area);
    chart->layout()->activate();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
    return image;
}
