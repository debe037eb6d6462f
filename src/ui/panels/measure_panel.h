#pragma once
// The measurement panels of the main window: FraMesure (cmdMeasure, optMesure 0..2) and
// fraGetMesure (cmdGetMesure, lblValue 6 and 7), and the continuous measurement flag.

#include <QObject>

#include <cstdint>

class DeviceLink;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

class MeasurePanel : public QObject {
    Q_OBJECT
public:
    MeasurePanel(QWidget* frmMain, DeviceLink& link);

    void cmdMeasure_Click();
    void cmdGetMesure_Click();
    // The exit routine's step: a running continuous measurement is stopped.
    void stopAtExit();

    int16_t continuousFlag() const { return continuous_; }

private:
    void setOptionsEnabled(bool enabled);
    void setCaption(long label);

    DeviceLink& link_;
    QPushButton* cmdMeasure_ = nullptr;
    QPushButton* cmdGetMesure_ = nullptr;
    QRadioButton* opt_[3] = {};
    QLabel* value6_ = nullptr;
    QLabel* value7_ = nullptr;
    int16_t continuous_ = 0;
};
