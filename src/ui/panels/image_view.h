#pragma once
// What the main window shows of the image the program holds: the picture box picCnvBmp, the
// value labels lblValue 0..5 (pattern, gains, width, height) and the controls that need an
// image (mnuBmpSave, mnuBinsave2, cmdLoad). Those controls are enabled together exactly while
// a picture is shown.

#include "image/sensor_image.h"

#include <QString>

#include <filesystem>

class PictureBox;
class QAction;
class QLabel;
class QPushButton;
class QWidget;

class ImageView {
public:
    explicit ImageView(QWidget* frmMain);

    // The decimal pattern, gains, width and height of the header.
    void setValues(const HkrHeader& header);
    // No image: the dependent controls disabled, the picture and the value labels cleared,
    // the window repainted.
    void showNoImage();
    // Shows the picture file and enables the dependent controls. When the file cannot be
    // shown the view stays without image and error describes why.
    bool showPicture(const std::filesystem::path& bmp, QString& error);

    // The raw image or BMP file the picture shown was opened from or last saved as; empty
    // for a download until it is saved, and while no picture is shown.
    const std::filesystem::path& shownFile() const { return shownFile_; }
    void setShownFile(const std::filesystem::path& file) { shownFile_ = file; }

private:
    void setImageControlsEnabled(bool enabled);

    std::filesystem::path shownFile_;
    QWidget* window_;
    PictureBox* picture_ = nullptr;
    QLabel* values_[6] = {};
    QAction* bmpSave_ = nullptr;
    QAction* binSave_ = nullptr;
    QPushButton* load_ = nullptr;
};
