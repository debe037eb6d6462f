#include "image_view.h"

#include "control_index.h"
#include "picture_box.h"

#include <QAction>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

ImageView::ImageView(QWidget* frmMain) : window_(frmMain)
{
    picture_ = frmMain->findChild<PictureBox*>(QStringLiteral("picCnvBmp"));
    for (int i = 0; i < 6; ++i)
        values_[i] = findControlAs<QLabel>(frmMain, QStringLiteral("lblValue"), i);
    bmpSave_ = frmMain->findChild<QAction*>(QStringLiteral("mnuBmpSave"));
    binSave_ = frmMain->findChild<QAction*>(QStringLiteral("mnuBinsave2"));
    load_ = frmMain->findChild<QPushButton*>(QStringLiteral("cmdLoad"));
    Q_ASSERT(picture_ && bmpSave_ && binSave_ && load_);
    for (QLabel* v : values_)
        Q_ASSERT(v);
}

void ImageView::setValues(const HkrHeader& header)
{
    const int numbers[6] = {header.bayerPattern, header.gainR, header.gainG, header.gainB, header.width, header.height};
    for (int i = 0; i < 6; ++i)
        values_[i]->setText(QString::number(numbers[i]));
}

void ImageView::setImageControlsEnabled(bool enabled)
{
    bmpSave_->setEnabled(enabled);
    binSave_->setEnabled(enabled);
    load_->setEnabled(enabled);
}

bool ImageView::imageShown() const { return !picture_->picture().isNull(); }

void ImageView::showNoImage()
{
    setImageControlsEnabled(false);
    picture_->clearPicture();
    window_->repaint();
}

bool ImageView::showPicture(const std::filesystem::path& bmp, QString& error)
{
    QImageReader reader(QFile::decodeName(bmp.c_str()));
    QImage image = reader.read();
    if (image.isNull()) {
        error = QStringLiteral("The picture %1 cannot be shown: %2").arg(reader.fileName(), reader.errorString());
        showNoImage();
        return false;
    }
    setImageControlsEnabled(true);
    picture_->setPicture(image);
    window_->repaint();
    return true;
}
