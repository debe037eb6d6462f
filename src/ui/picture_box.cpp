#include "picture_box.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    updateGeometry();
    update();
}

bool PictureBox::loadPicture(const QString& path) {
    QImage image;
    if (!image.load(path)) {
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
