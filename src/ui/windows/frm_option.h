#pragma once
// The image option dialog: two option buttons; OK records the one chosen in gImageOption.

#include "app/app_state.h"

#include <QDialog>

class frmOption : public QDialog {
    Q_OBJECT
public:
    // Applies the labels and selects the option recorded in gImageOption.
    frmOption(AppState& state, QWidget* parent = nullptr);

private:
    void onOK();

    AppState& state_;
};
