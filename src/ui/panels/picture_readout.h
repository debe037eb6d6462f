#pragma once
// Inspecting the picture shown: the View menu's zoom steps (fit, 1:1, 2:1, 4:1; Ctrl+0, 1, 2,
// 4), the status line's readout of the pixel under the mouse (its position, the raw value of
// its sensor site with the site's colour, and the colour shown) and the histogram window.
// The readout's words are run-time texts of the message file (Label 340 to 344).

#include "app/app_state.h"
#include "app/messages.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class PictureBox;
class QLabel;
class QWidget;
class frmHistogram;

class PictureReadout : public QObject {
    Q_OBJECT
public:
    PictureReadout(QWidget* frmMain, AppState& state, Messenger& messages);
    ~PictureReadout() override;

    // kFit (0), 1, 2 or 4, as the View menu's entries choose it.
    void setZoom(int zoom);
    // The readout for the picture pixel (-1, -1: none).
    void showPixel(QPoint pixel);
    // Opens (or raises) the histogram window.
    void showHistogram();
    frmHistogram* histogramWindow() const { return histogram_.get(); }

private:
    QString word(long label);
    void showZoom();

    QWidget* window_;
    AppState& state_;
    Messenger& messages_;
    PictureBox* picture_ = nullptr;
    QLabel* pixel_ = nullptr;
    QLabel* zoom_ = nullptr;
    std::unique_ptr<frmHistogram> histogram_;
};
