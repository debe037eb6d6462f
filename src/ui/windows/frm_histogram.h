#pragma once
// The histogram window: how many pixels of the picture shown have each red, green and blue
// value, as three curves over 0..255, for checking white balance and exposure. It stays open
// beside the main window and follows the picture.

#include "app/app_state.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>

// Pixels per value of each colour, red, green, blue.
struct Histogram {
    std::array<std::array<uint32_t, 256>, 3> counts{};
    uint64_t pixels = 0;
};
Histogram histogramOf(const QImage& picture);

// The three curves, each scaled to the highest count of all three.
class HistogramChart : public QWidget {
    Q_OBJECT
public:
    explicit HistogramChart(QWidget* parent = nullptr);
    void setHistogram(const Histogram& histogram);
    const Histogram& histogram() const { return histogram_; }
    QSize sizeHint() const override { return QSize(2 * 256 + 8, 240); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Histogram histogram_;
};

class frmHistogram : public QDialog {
    Q_OBJECT
public:
    frmHistogram(const AppState& state, QWidget* parent = nullptr);
    // Counts the picture's pixels and shows their curves (nothing for an empty picture).
    void showPicture(const QImage& picture);
    HistogramChart* chart() const { return chart_; }

private:
    HistogramChart* chart_ = nullptr;
};
