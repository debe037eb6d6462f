#pragma once
// A picture box: shows a picture from its top-left corner, at 1:1 or enlarged 2 or 4 times
// (every pixel a square, so single sites can be told apart), or scaled to fit the area it is
// shown in; nothing when cleared. It tells where in the picture the mouse points. It has no
// caption, so the label file only sets its font.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    // The zoom steps: fit to the area, or a whole factor.
    static constexpr int kFit = 0;

    explicit PictureBox(QWidget* parent = nullptr);

    // Shows the picture; an empty image clears the box.
    void setPicture(const QImage& picture);
    // Loads and shows an image file (a BMP from the TMP folder). False, and the box cleared,
    // when the file cannot be read.
    bool loadPicture(const QString& path);
    void clearPicture();
    const QImage& picture() const { return picture_; }

    // kFit, 1, 2 or 4. The box takes the picture's size times the factor.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // Screen pixels per picture pixel at the current zoom (1 without a picture).
    double scale() const;
    // The area a fitted picture fills (the visible part of the scroll area around the box).
    void setFitArea(const QSize& area);

    // The size the box asks for in a layout without a picture; the picture's when none is set.
    void setBoxSize(const QSize& size);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The picture pixel under the mouse, or (-1, -1) when the mouse is elsewhere.
    void pointedAt(QPoint pixel);
    // A new picture (or none) is shown.
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void resizeToZoom();

    QImage picture_;
    QSize boxSize_;
    QSize fitArea_;
    int zoom_ = 1;
};
