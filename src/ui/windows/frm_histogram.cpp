#include "ui/windows/frm_histogram.h"

#include "ui/shell/app_icon.h"
#include "ui/qt/window_labels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kCurveColours[3] = {QColor(220, 40, 40), QColor(30, 160, 50), QColor(40, 80, 230)};

} // namespace

Histogram histogramOf(const QImage& picture)
{
    Histogram h;
    if (picture.isNull())
        return h;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* p = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, p += 3) {
            ++h.counts[0][p[0]];
            ++h.counts[1][p[1]];
            ++h.counts[2][p[2]];
        }
    }
    h.pixels = uint64_t(rgb.width()) * uint64_t(rgb.height());
    return h;
}

HistogramChart::HistogramChart(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(256 + 8, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HistogramChart::setHistogram(const Histogram& histogram)
{
    histogram_ = histogram;
    update();
}

void HistogramChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
    uint32_t highest = 0;
    for (const auto& channel : histogram_.counts)
        highest = std::max(highest, *std::max_element(channel.begin(), channel.end()));
    if (highest == 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int c = 0; c < 3; ++c) {
        QPainterPath curve;
        for (int v = 0; v < 256; ++v) {
            const QPointF point(area.left() + area.width() * (v + 0.5) / 256.0,
                                area.bottom() - area.height() * histogram_.counts[c][v] / double(highest));
            if (v == 0)
                curve.moveTo(point);
            else
                curve.lineTo(point);
        }
        // Red widest and blue thinnest, so curves that lie on each other all stay visible.
        painter.setPen(QPen(kCurveColours[c], 4.0 - 1.4 * c));
        painter.drawPath(curve);
    }
}

frmHistogram::frmHistogram(const AppState& state, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHistogram"));
    setWindowTitle(QStringLiteral("frmHistogram"));
    setWindowIcon(appIcon());
    auto* layout = new QVBoxLayout(this);
    chart_ = new HistogramChart;
    chart_->setObjectName(QStringLiteral("picHistogram"));
    layout->addWidget(chart_, 1);

    auto* legend = new QHBoxLayout;
    const char* names[3] = {"lblRed", "lblGreen", "lblBlue"};
    for (int c = 0; c < 3; ++c) {
        auto* swatch = new QLabel(QString::fromLatin1(names[c]));
        swatch->setObjectName(QString::fromLatin1(names[c]));
        swatch->setTextFormat(Qt::PlainText);
        QPalette colours = swatch->palette();
        colours.setColor(QPalette::WindowText, kCurveColours[c]);
        swatch->setPalette(colours);
        legend->addWidget(swatch);
    }
    legend->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("cmdClose"));
    close->setObjectName(QStringLiteral("cmdClose"));
    legend->addWidget(close);
    layout->addLayout(legend);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    fncApplyLabels(this, state);
}

void frmHistogram::showPicture(const QImage& picture) { chart_->setHistogram(histogramOf(picture)); }
