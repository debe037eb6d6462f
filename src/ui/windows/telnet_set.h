#pragma once
// TelnetSet: the terminator of the LAN link. Its texts are fixed (it uses no label file).

#include "app/app_state.h"

#include <QDialog>

class QComboBox;

class TelnetSet : public QDialog {
    Q_OBJECT
public:
    TelnetSet(AppState& state, QWidget* parent = nullptr);
    QComboBox* CmbDeli() const { return cmbDeli_; }

    // mnuTelnetSetting: the current choice preset, then shown modally.
    static void openModal(AppState& state, QWidget* parent);

private:
    void cmdOK_Click();

    AppState& state_;
    QComboBox* cmbDeli_ = nullptr;
};
