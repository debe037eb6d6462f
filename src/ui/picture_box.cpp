#include "picture_box.h"

#include "image/file_util.h"
#include "image/sensor_image.h"

#include <QFile>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    updateGeometry();
    update();
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

void PictureBox::setBoxSize(const QSize& size) {
    boxSize_ = size;
    updateGeometry();
}

QSize PictureBox::sizeHint() const {
    if (boxSize_.isValid()) {
        return boxSize_;
    }
    return picture_.isNull() ? QSize(32, 32) : picture_.size();
}

QSize PictureBox::minimumSizeHint() const { return sizeHint(); }

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture_);
}
