#include "ui/panels/image_view.h"

#include "ui/qt/control_index.h"
#include "ui/qt/picture_box.h"

#include "files/file_util.h"

#include <QAction>
#include <QFile>
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

void ImageView::showNoImage()
{
    setImageControlsEnabled(false);
    for (QLabel* v : values_)
        v->clear();
    shownFile_.clear();
    picture_->clearPicture();
    window_->repaint();
}

bool ImageView::showPicture(const std::filesystem::path& bmp, QString& error)
{
    // Through the checked reader like every file, bounded by the largest picture the program
    // makes (16384 x 16384 at 3 bytes a pixel, plus the header).
    constexpr std::size_t kLargestPicture = 54 + std::size_t(kMaxImageSide) * kMaxImageSide * 3;
    std::string bytes;
    int errorNumber = 0;
    QImage image;
    if (!readWholeFile(bmp, bytes, kLargestPicture, errorNumber))
        error = QString::fromStdString(describeFileError("Cannot read the picture", bmp, errorNumber));
    else if (!image.loadFromData(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()))))
        error = QStringLiteral("The picture %1 is not a bitmap that can be shown.").arg(QFile::decodeName(bmp.c_str()));
    if (image.isNull()) {
        showNoImage();
        return false;
    }
    setImageControlsEnabled(true);
    picture_->setPicture(image);
    window_->repaint();
    return true;
}
