#include "ui/panels/picture_readout.h"

#include "ui/windows/frm_histogram.h"
#include "ui/qt/picture_box.h"

#include <QAction>
#include <QLabel>
#include <QWidget>

namespace {

constexpr long kLabelPosition = 340;
constexpr long kLabelRaw = 341;
constexpr long kLabelShown = 342;
constexpr long kLabelZoom = 343;
constexpr long kLabelFit = 344;

// The colour of the sensor site at (x, y) for the Bayer pattern code: 0 RGGB, 1 GBRG,
// 2 GRBG, 3 BGGR (the first row's two sites, then the second row's).
char siteColour(int pattern, int x, int y)
{
    static const char* kPatterns[4] = {"RGGB", "GBRG", "GRBG", "BGGR"};
    if (pattern < 0 || pattern > 3)
        return '?';
    return kPatterns[pattern][(y & 1) * 2 + (x & 1)];
}

} // namespace

PictureReadout::PictureReadout(QWidget* frmMain, AppState& state, Messenger& messages)
    : QObject(frmMain), window_(frmMain), state_(state), messages_(messages)
{
    picture_ = frmMain->findChild<PictureBox*>(QStringLiteral("picCnvBmp"));
    pixel_ = frmMain->findChild<QLabel*>(QStringLiteral("lblPixel"));
    zoom_ = frmMain->findChild<QLabel*>(QStringLiteral("lblZoom"));
    Q_ASSERT(picture_ && pixel_ && zoom_);
    auto entry = [frmMain](const char* name) { return frmMain->findChild<QAction*>(QString::fromLatin1(name)); };
    const std::pair<const char*, int> steps[] = {
        {"mnuZoomFit", PictureBox::kFit}, {"mnuZoom1", 1}, {"mnuZoom2", 2}, {"mnuZoom4", 4}};
    for (const auto& [name, zoom] : steps) {
        QAction* action = entry(name);
        connect(action, &QAction::triggered, this, [this, zoom = zoom] { setZoom(zoom); });
    }
    connect(entry("mnuHistogram"), &QAction::triggered, this, &PictureReadout::showHistogram);
    connect(picture_, &PictureBox::pointedAt, this, &PictureReadout::showPixel);
    connect(picture_, &PictureBox::pictureChanged, this, [this] {
        showPixel(QPoint(-1, -1));
        showZoom();
        if (histogram_)
            histogram_->showPicture(picture_->picture());
    });
}

PictureReadout::~PictureReadout() = default;

QString PictureReadout::word(long label)
{
    return QString::fromStdString(messages_.fncGetMessage("Label", label));
}

void PictureReadout::setZoom(int zoom)
{
    picture_->setZoom(zoom);
    const char* name = zoom == PictureBox::kFit ? "mnuZoomFit" : zoom == 2 ? "mnuZoom2" : zoom == 4 ? "mnuZoom4" : "mnuZoom1";
    if (QAction* action = window_->findChild<QAction*>(QString::fromLatin1(name)))
        action->setChecked(true);
    showZoom();
}

void PictureReadout::showZoom()
{
    if (picture_->picture().isNull()) {
        zoom_->clear();
        return;
    }
    const int percent = qRound(picture_->scale() * 100.0);
    QString text = word(kLabelZoom) + QLatin1Char(' ');
    if (picture_->zoom() == PictureBox::kFit)
        text += word(kLabelFit) + QStringLiteral(" (%1%)").arg(percent);
    else
        text += QStringLiteral("%1%").arg(percent);
    zoom_->setText(text);
}

void PictureReadout::showPixel(QPoint pixel)
{
    const QImage& picture = picture_->picture();
    if (pixel.x() < 0 || picture.isNull() || !picture.valid(pixel)) {
        pixel_->clear();
        return;
    }
    QString text = word(kLabelPosition) + QStringLiteral(" %1, %2").arg(pixel.x()).arg(pixel.y());
    const SensorImage& sensor = state_.images.sensorImage;
    if (pixel.x() < sensor.pixels.width && pixel.y() < sensor.pixels.height && !sensor.pixels.empty()) {
        const int raw = sensor.pixels.at(pixel.x(), pixel.y());
        text += QStringLiteral("    ") + word(kLabelRaw) + QStringLiteral(" %1").arg(raw);
        if (sensor.plnHeader.colourFlag == 0)
            text += QStringLiteral(" (%1)").arg(QLatin1Char(siteColour(sensor.hkrHeader.bayerPattern, pixel.x(), pixel.y())));
    }
    const QColor shown = picture.pixelColor(pixel);
    text += QStringLiteral("    ") + word(kLabelShown) +
            QStringLiteral(" R %1  G %2  B %3").arg(shown.red()).arg(shown.green()).arg(shown.blue());
    pixel_->setText(text);
}

void PictureReadout::showHistogram()
{
    if (!histogram_) {
        histogram_ = std::make_unique<frmHistogram>(state_, window_);
        histogram_->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    histogram_->showPicture(picture_->picture());
    histogram_->show();
    histogram_->raise();
    histogram_->activateWindow();
}
