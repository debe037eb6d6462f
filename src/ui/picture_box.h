#pragma once
// A picture box: shows a picture at 1:1 from its top-left corner, nothing when cleared.
// It has no caption, so the label file only sets its font.

#include <QImage>
#include <QSize>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Shows the picture; an empty image clears the box.
    void setPicture(const QImage& picture);
    // Loads and shows an image file (a BMP from the TMP folder). False, and the box cleared,
    // when the file cannot be read.
    bool loadPicture(const QString& path);
    void clearPicture();
    const QImage& picture() const { return picture_; }

    // The size the box asks for in a layout; the picture's size when none is set.
    void setBoxSize(const QSize& size);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QSize boxSize_;
};
