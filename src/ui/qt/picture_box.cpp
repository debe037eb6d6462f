#include "ui/qt/picture_box.h"

#include "files/file_util.h"
#include "image/sensor_image.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    resizeToZoom();
    update();
    emit pictureChanged();
}

bool PictureBox::loadPicture(const QString& path) {
    // Through the checked reader like every file: a regular file of at most the largest
    // picture the program makes (16384 x 16384 at 3 bytes a pixel, plus the header).
    constexpr std::size_t kLargestPicture = 54 + std::size_t(kMaxImageSide) * kMaxImageSide * 3;
    std::string bytes;
    int errorNumber = 0;
    QImage image;
    if (!readWholeFile(std::filesystem::path(QFile::encodeName(path).toStdString()), bytes, kLargestPicture, errorNumber) ||
        !image.loadFromData(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())))) {
        clearPicture();
        return false;
    }
    setPicture(image);
    return true;
}

void PictureBox::clearPicture() { setPicture(QImage()); }

void PictureBox::setZoom(int zoom) {
    zoom_ = zoom == kFit || zoom == 2 || zoom == 4 ? zoom : 1;
    resizeToZoom();
    update();
}

double PictureBox::scale() const {
    if (picture_.isNull()) {
        return 1.0;
    }
    if (zoom_ != kFit) {
        return zoom_;
    }
    if (!fitArea_.isValid() || fitArea_.isEmpty()) {
        return 1.0;
    }
    return std::min(double(fitArea_.width()) / picture_.width(), double(fitArea_.height()) / picture_.height());
}

void PictureBox::setFitArea(const QSize& area) {
    if (area == fitArea_) {
        return;
    }
    fitArea_ = area;
    if (zoom_ == kFit) {
        resizeToZoom();
        update();
    }
}

void PictureBox::resizeToZoom() {
    if (picture_.isNull()) {
        setFixedSize(sizeHint());
        return;
    }
    const double s = scale();
    setFixedSize(std::max(1, int(std::floor(picture_.width() * s))), std::max(1, int(std::floor(picture_.height() * s))));
}

void PictureBox::setBoxSize(const QSize& size) {
    boxSize_ = size;
    if (picture_.isNull()) {
        setFixedSize(size);
    }
    updateGeometry();
}

QSize PictureBox::sizeHint() const {
    if (!picture_.isNull()) {
        return size();
    }
    return boxSize_.isValid() ? boxSize_ : QSize(32, 32);
}

QSize PictureBox::minimumSizeHint() const { return sizeHint(); }

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    // Enlarged pixels stay sharp squares; only a picture shrunk to fit is smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale() < 1.0);
    painter.drawImage(QRect(QPoint(0, 0), size()), picture_);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    QPoint pixel(-1, -1);
    if (!picture_.isNull()) {
        const double s = scale();
        const QPointF at = event->position();
        const int x = int(std::floor(at.x() / s));
        const int y = int(std::floor(at.y() / s));
        if (x >= 0 && y >= 0 && x < picture_.width() && y < picture_.height()) {
            pixel = QPoint(x, y);
        }
    }
    emit pointedAt(pixel);
    QWidget::mouseMoveEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    emit pointedAt(QPoint(-1, -1));
    QWidget::leaveEvent(event);
}
